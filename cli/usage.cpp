#include "cli/usage.h"

#include "platform/service_platform.h"

namespace {

// Backslashes and inner double quotes of the examples are literal; raw strings keep them so.
const char* const kUsageLines[] = {
    "Usage: [<option>[<argument>]]\n\n",
    "Options:\n",
    "\t-c Create a new service\n\n",
    "\tCreate options:\n",
    "\t\t-i<Name of the service> (mandatory)\n",
    "\t\t-n<Displayed name of the service> (mandatory)\n",
    "\t\t-x<Full path to the executable file> (mandatory)\n",
    "\t\t-a Start the service automatically during system startup\n",
    "\t\t-m Start the service manually\n",
    "\t\t-l<Load ordering group of this service>\n",
    "\t\t-d<List of dependencies, separated by semicolons>\n",
    "\t\t-s<Account name for the service process>\n",
    "\t\t-p<Password of the account name>\n",
    "\t\t-h<Description of the service>\n",
    "\n",
    "\t-r Remove a service\n\n",
    "\tRemove options:\n",
    "\t\t-i<Name of the service> (mandatory)\n",
    "\nExamples:\n\n",
    R"(QVTToService.exe -c -iTestServ -nMyService -xC:\QVTService.exe -h"Test Service")"
    "\n",
    "\n",
    R"(QVTToService.exe -c -iTav -nQVT -x"\"C:\QVTService.exe\" -C:\NXR\MorvelFiles\morvelsv.ini" -h"Test Service")"
    "\n",
};

}  // namespace

void PrintUsage() {
    for (const char* line : kUsageLines) {
        PrintFormatted("%s", line);
    }
}
