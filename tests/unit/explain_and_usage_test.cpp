#include <gtest/gtest.h>

#include "cli/explain_error.h"
#include "cli/program.h"
#include "cli/usage.h"
#include "tests/fake/recording_platform.h"

namespace {

const char kUsageText[] =
    "Usage: [<option>[<argument>]]\n\n"
    "Options:\n"
    "\t-c Create a new service\n\n"
    "\tCreate options:\n"
    "\t\t-i<Name of the service> (mandatory)\n"
    "\t\t-n<Displayed name of the service> (mandatory)\n"
    "\t\t-x<Full path to the executable file> (mandatory)\n"
    "\t\t-a Start the service automatically during system startup\n"
    "\t\t-m Start the service manually\n"
    "\t\t-l<Load ordering group of this service>\n"
    "\t\t-d<List of dependencies, separated by semicolons>\n"
    "\t\t-s<Account name for the service process>\n"
    "\t\t-p<Password of the account name>\n"
    "\t\t-h<Description of the service>\n"
    "\n"
    "\t-r Remove a service\n\n"
    "\tRemove options:\n"
    "\t\t-i<Name of the service> (mandatory)\n"
    "\nExamples:\n\n"
    "QVTToService.exe -c -iTestServ -nMyService -xC:\\QVTService.exe -h\"Test Service\"\n"
    "\n"
    "QVTToService.exe -c -iTav -nQVT -x\"\\\"C:\\QVTService.exe\\\" "
    "-C:\\NXR\\MorvelFiles\\morvelsv.ini\" -h\"Test Service\"\n";

class OutputTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::Reset(); }
};

TEST_F(OutputTest, UsageTextIsExact) {
    PrintUsage();
    EXPECT_EQ(fake::Output(), kUsageText);
    EXPECT_EQ(fake::Events().size(), 22u);  // printed as its 22 fixed strings
}

TEST_F(OutputTest, ExplanationsAreExact) {
    const struct {
        DWORD code;
        const char* text;
    } cases[] = {
        {1057,
         "The account name is invalid or does not exist, or the password is invalid\n"
         "for the account name specified.\n"},
        {1060, "The specified service does not exist as an installed service."},
        {0, ""},
        {5, ""},
        {1056, ""},
        {1061, ""},
        {0xFFFFFFFF, ""},
    };
    for (const auto& testCase : cases) {
        fake::Reset();
        ExplainError(testCase.code);
        EXPECT_EQ(fake::Output(), testCase.text) << testCase.code;
    }
}

struct EntryCase {
    const char* what;
    std::vector<const char*> arguments;
};

TEST_F(OutputTest, IncompleteRequestsGetTheUsageTextAndReachNoService) {
    const EntryCase cases[] = {
        {"no arguments", {}},
        {"create without -x", {"-c", "-iS", "-nD"}},
        {"remove then create", {"-r", "-iS", "-c"}},
        {"no mode", {"-iS", "-nD", "-xP"}},
        {"remove without a name", {"-r", "-nD"}},
    };
    for (const EntryCase& testCase : cases) {
        fake::Reset();
        std::vector<const char*> arguments = testCase.arguments;
        arguments.insert(arguments.begin(), "QVTToService.exe");
        EXPECT_EQ(RunProgram(static_cast<int>(arguments.size()), arguments.data()), 0)
            << testCase.what;
        EXPECT_EQ(fake::Output(), kUsageText) << testCase.what;
        EXPECT_EQ(fake::AcquiringCallCount(), 0) << testCase.what;
    }
}

TEST_F(OutputTest, EntryDispatchesByModeAndAlwaysReturnsZero) {
    const char* remove[] = {"QVTToService.exe", "-r", "-iS"};
    fake::FailCall("OpenServiceA", 1060);
    EXPECT_EQ(RunProgram(3, remove), 0);
    EXPECT_EQ(fake::Output(),
              "Failed removing the service, error code 1060\n"
              "The specified service does not exist as an installed service.");

    fake::Reset();
    const char* create[] = {"QVTToService.exe", "-c", "-iS", "-nD", "-xP"};
    fake::FailCall("OpenSCManagerA", 5);
    EXPECT_EQ(RunProgram(5, create), 0);
    EXPECT_EQ(fake::Output(), "Failed creating the service, error code 5\n");
}

}  // namespace
