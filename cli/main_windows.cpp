// Entry on Windows. The C runtime splits the command line by rules of its own (it halves
// backslashes before a quote), so the raw line is split here by the tool's own rules.
#include <string>
#include <vector>

#include "cli/program.h"
#include "cli/split_command_line.h"
#include "platform/service_platform.h"

int main() {
    const std::vector<std::string> words = SplitCommandLine(GetCommandLineA());
    std::vector<const char*> arguments;
    arguments.reserve(words.size() + 1);
    for (const std::string& word : words) {
        arguments.push_back(word.c_str());
    }
    arguments.push_back(nullptr);
    return RunProgram(static_cast<int>(words.size()), arguments.data());
}
