// Any command line, split by the tool's rules, parses into a request whose validity and
// fields agree with the option table.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/parse_command_line.h"
#include "cli/split_command_line.h"

namespace {

bool PointsInto(const char* value, const std::vector<const char*>& arguments) {
    for (const char* argument : arguments) {
        if (value >= argument + 2 && value <= argument + std::string(argument).size()) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = SplitCommandLine(line.c_str());
    std::vector<const char*> arguments;
    for (const std::string& word : words) {
        arguments.push_back(word.c_str());
    }
    ServiceRequest request;
    const bool valid =
        ParseCommandLine(static_cast<int>(arguments.size()), arguments.data(), &request);

    const bool complete = (request.mode == RequestMode::Remove && request.serviceName != nullptr) ||
                          (request.mode == RequestMode::Create && request.serviceName != nullptr &&
                           request.displayName != nullptr && request.executablePath != nullptr);
    if (valid != complete || (request.accountName == nullptr && request.password != nullptr)) {
        std::abort();
    }
    const std::vector<const char*> options(arguments.begin() + (arguments.empty() ? 0 : 1),
                                           arguments.end());
    for (const char* value :
         {request.serviceName, request.displayName, request.executablePath, request.loadOrderGroup,
          request.dependencies, request.accountName, request.password, request.description}) {
        if (value != nullptr && !PointsInto(value, options)) {
            std::abort();
        }
    }
    return 0;
}
