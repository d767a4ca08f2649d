#include "cli/split_command_line.h"

namespace {

bool IsSeparator(char character) {
    return character == ' ' || character == '\t';
}

}  // namespace

std::vector<std::string> SplitCommandLine(const char* line) {
    std::vector<std::string> arguments;
    const char* cursor = line;
    while (true) {
        while (IsSeparator(*cursor)) {
            ++cursor;
        }
        if (*cursor == '\0') {
            return arguments;
        }
        std::string argument;
        bool inQuotedRun = false;
        while (*cursor != '\0' && (inQuotedRun || !IsSeparator(*cursor))) {
            if (cursor[0] == '\\' && cursor[1] == '"') {
                argument += '"';
                cursor += 2;
            } else if (*cursor == '"') {
                inQuotedRun = !inQuotedRun;
                ++cursor;
            } else {
                argument += *cursor;
                ++cursor;
            }
        }
        arguments.push_back(argument);
    }
}
