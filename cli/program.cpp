#include "cli/program.h"

#include "cli/parse_command_line.h"
#include "cli/usage.h"
#include "service/create_command.h"
#include "service/remove_command.h"

int RunProgram(int argumentCount, const char* const* arguments) {
    ServiceRequest request;
    if (!ParseCommandLine(argumentCount, arguments, &request)) {
        PrintUsage();
        return 0;
    }
    if (request.mode == RequestMode::Create) {
        RunCreateCommand(request);
    } else {
        RunRemoveCommand(request);
    }
    return 0;
}
