// Any command line splits without a crash, and no argument is longer than the line or
// holds a separator that was outside a quoted run.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/split_command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> arguments = SplitCommandLine(line.c_str());
    std::size_t total = 0;
    for (const std::string& argument : arguments) {
        total += argument.size();
    }
    // Quotes and backslash-quote pairs only ever shrink the text.
    if (total > line.size()) {
        std::abort();
    }
    // Without any quote, the arguments are exactly the words between blanks and tabs.
    if (line.find('"') == std::string::npos) {
        std::string rejoined;
        for (const std::string& argument : arguments) {
            if (argument.empty() || argument.find_first_of(" \t") != std::string::npos) {
                std::abort();
            }
            rejoined += argument;
        }
        std::string words;
        for (char character : line.substr(0, line.find('\0'))) {
            if (character != ' ' && character != '\t') {
                words += character;
            }
        }
        if (rejoined != words) {
            std::abort();
        }
    }
    return 0;
}
