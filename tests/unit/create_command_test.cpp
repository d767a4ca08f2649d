#include <gtest/gtest.h>

#include "cli/program.h"
#include "service/create_command.h"
#include "tests/fake/fake_platform_test.h"

namespace {

using Events = std::vector<std::string>;

const char kOpenManager[] = "OpenSCManagerA(null, null, 0xa) -> scm1";
const char kLock[] = "LockServiceDatabase(scm1) -> lock1";
const char kCreated[] = "print: Service successfully created.\n";
const char kUpdated[] = "print: Service successfully updated.\n";

ServiceRequest FirstUsageExample() {
    ServiceRequest request;
    request.mode = RequestMode::Create;
    request.serviceName = "TestServ";
    request.displayName = "MyService";
    request.executablePath = "C:\\QVTService.exe";
    request.description = "Test Service";
    return request;
}

ServiceRequest EveryOption() {
    ServiceRequest request = FirstUsageExample();
    request.autoStart = true;
    request.loadOrderGroup = "G";
    request.dependencies = "A;B";
    request.accountName = ".\\user";
    request.password = "pw";
    request.description = nullptr;
    return request;
}

using CreateCommandTest = FakePlatformTest;

TEST_F(CreateCommandTest, UnknownNameIsCreatedWithTheMappedValuesAndItsDescription) {
    fake::FailCall("OpenServiceA", 1060);
    RunCreateCommand(FirstUsageExample());
    EXPECT_EQ(
        fake::Events(),
        (Events{
            kOpenManager,
            kLock,
            "OpenServiceA(scm1, \"TestServ\", 0xf01ff) -> null",
            "GetLastError() -> 1060",
            "CreateServiceA(scm1, \"TestServ\", \"MyService\", 0xf01ff, 0x10, 3, 1, "
            "\"C:\\QVTService.exe\", null, null, null, null, null) -> svc1",
            "RegOpenKeyExA(HKLM, \"SYSTEM\\CurrentControlSet\\Services\", 0, 0x20006) -> 0 key1",
            "RegOpenKeyExA(key1, \"TestServ\", 0, 0x20006) -> 0 key2",
            "RegSetValueExA(key2, \"Description\", 0, 1, \"Test Service\\0\", 13) -> 0",
            "RegCloseKey(key2)",
            "RegCloseKey(key1)",
            "UnlockServiceDatabase(lock1)",
            "CloseServiceHandle(scm1)",
            "CloseServiceHandle(svc1)",
            kCreated,
        }));
}

TEST_F(CreateCommandTest, ExistingServiceIsRewrittenWithEveryOption) {
    RunCreateCommand(EveryOption());
    EXPECT_EQ(fake::Events(),
              (Events{
                  kOpenManager,
                  kLock,
                  "OpenServiceA(scm1, \"TestServ\", 0xf01ff) -> svc1",
                  "AllocateBuffer(5) -> buf1",
                  "ChangeServiceConfigA(svc1, 0x10, 2, 1, \"C:\\QVTService.exe\", \"G\", null, "
                  "[\"A\", \"B\"], \".\\user\", \"pw\", \"MyService\") -> 1",
                  "ReleaseBuffer(buf1)",
                  "UnlockServiceDatabase(lock1)",
                  "CloseServiceHandle(scm1)",
                  "CloseServiceHandle(svc1)",
                  kUpdated,
              }));
}

TEST_F(CreateCommandTest, AbsentOptionsPassNullAndABareDependencyOptionPassesAnEmptyList) {
    ServiceRequest request = FirstUsageExample();
    request.description = nullptr;
    RunCreateCommand(request);
    EXPECT_EQ(fake::Events()[3],
              "ChangeServiceConfigA(svc1, 0x10, 3, 1, \"C:\\QVTService.exe\", null, null, null, "
              "null, null, \"MyService\") -> 1");

    fake::Reset();
    request.dependencies = "";
    RunCreateCommand(request);
    EXPECT_EQ(fake::Events()[3], "AllocateBuffer(2) -> buf1");
    EXPECT_EQ(fake::Events()[4],
              "ChangeServiceConfigA(svc1, 0x10, 3, 1, \"C:\\QVTService.exe\", null, null, [], "
              "null, null, \"MyService\") -> 1");
}

TEST_F(CreateCommandTest, PasswordWithoutAccountNeverReachesTheManager) {
    const char* arguments[] = {"QVTToService.exe", "-c", "-iS", "-nD", "-xP", "-psecret"};
    fake::FailCall("OpenServiceA", 1060);
    RunProgram(6, arguments);
    EXPECT_EQ(fake::Events()[4],
              "CreateServiceA(scm1, \"S\", \"D\", 0xf01ff, 0x10, 3, 1, \"P\", null, null, null, "
              "null, null) -> svc1");
}

TEST_F(CreateCommandTest, FailedUpdateReleasesLockManagerServiceThenTheList) {
    fake::FailCall("ChangeServiceConfigA", 1057);
    RunCreateCommand(EveryOption());
    const Events& events = fake::Events();
    const Events tail(events.begin() + 4, events.end());
    EXPECT_EQ(tail, (Events{
                        "ChangeServiceConfigA(svc1, 0x10, 2, 1, \"C:\\QVTService.exe\", \"G\", "
                        "null, [\"A\", \"B\"], \".\\user\", \"pw\", \"MyService\") -> 0",
                        "GetLastError() -> 1057",
                        "UnlockServiceDatabase(lock1)",
                        "CloseServiceHandle(scm1)",
                        "CloseServiceHandle(svc1)",
                        "ReleaseBuffer(buf1)",
                        "print: Failed creating the service, error code 1057\n",
                        "print: The account name is invalid or does not exist, or the password "
                        "is invalid\n",
                        "print: for the account name specified.\n",
                    }));
}

TEST_F(CreateCommandTest, FailedCreateReleasesTheListThenLockAndManager) {
    fake::FailCall("OpenServiceA", 1060);
    fake::FailCall("CreateServiceA", 1078);
    RunCreateCommand(EveryOption());
    const Events& events = fake::Events();
    const Events tail(events.begin() + 5, events.end());
    EXPECT_EQ(tail, (Events{
                        "CreateServiceA(scm1, \"TestServ\", \"MyService\", 0xf01ff, 0x10, 2, 1, "
                        "\"C:\\QVTService.exe\", \"G\", null, [\"A\", \"B\"], \".\\user\", "
                        "\"pw\") -> null",
                        "GetLastError() -> 1078",
                        "ReleaseBuffer(buf1)",
                        "UnlockServiceDatabase(lock1)",
                        "CloseServiceHandle(scm1)",
                        "print: Failed creating the service, error code 1078\n",
                    }));
}

TEST_F(CreateCommandTest, OnlyNotRegisteredLeadsToCreation) {
    fake::FailCall("OpenServiceA", 123);
    RunCreateCommand(FirstUsageExample());
    EXPECT_EQ(fake::Events(), (Events{
                                  kOpenManager,
                                  kLock,
                                  "OpenServiceA(scm1, \"TestServ\", 0xf01ff) -> null",
                                  "GetLastError() -> 123",
                                  "UnlockServiceDatabase(lock1)",
                                  "CloseServiceHandle(scm1)",
                                  "print: Failed creating the service, error code 123\n",
                              }));
}

TEST_F(CreateCommandTest, ManagerAndLockFailuresReleaseOnlyWhatWasObtained) {
    fake::FailCall("OpenSCManagerA", 5);
    RunCreateCommand(FirstUsageExample());
    EXPECT_EQ(fake::Events(),
              (Events{"OpenSCManagerA(null, null, 0xa) -> null", "GetLastError() -> 5",
                      "print: Failed creating the service, error code 5\n"}));

    fake::Reset();
    fake::FailCall("LockServiceDatabase", 1055);
    RunCreateCommand(FirstUsageExample());
    EXPECT_EQ(fake::Events(), (Events{kOpenManager, "LockServiceDatabase(scm1) -> null",
                                      "GetLastError() -> 1055", "CloseServiceHandle(scm1)",
                                      "print: Failed creating the service, error code 1055\n"}));
}

TEST_F(CreateCommandTest, FailedDescriptionIsPrintedFirstAndDoesNotFailTheCommand) {
    const struct {
        const char* operation;
        int occurrence;
        DWORD status;
        const char* output;
    } cases[] = {
        {"RegOpenKeyExA", 1, 5,
         "Failed to update the service's description, error code 5\n"
         "Service successfully updated.\n"},
        {"RegOpenKeyExA", 2, 2,
         "Failed to update the service's description, error code 2\n"
         "Service successfully updated.\n"},
        {"RegSetValueExA", 1, 1060,
         "Failed to update the service's description, error code 1060\n"
         "The specified service does not exist as an installed service."
         "Service successfully updated.\n"},
    };
    for (const auto& testCase : cases) {
        fake::Reset();
        fake::FailCall(testCase.operation, testCase.status, testCase.occurrence);
        RunCreateCommand(FirstUsageExample());
        EXPECT_EQ(fake::Output(), testCase.output);
    }
    fake::Reset();
    fake::FailCall("RegSetValueExA", 5);
    const InstallOutcome outcome = InstallService(FirstUsageExample());
    EXPECT_EQ(outcome.statusCode, 0u);

    // The whole run: the lock is still held while the description is written.
    fake::Reset();
    fake::FailCall("RegSetValueExA", 112);
    RunCreateCommand(FirstUsageExample());
    const Events& events = fake::Events();
    EXPECT_EQ(Events(events.end() - 7, events.end()),
              (Events{"RegCloseKey(key2)", "RegCloseKey(key1)",
                      "print: Failed to update the service's description, error code 112\n",
                      "UnlockServiceDatabase(lock1)", "CloseServiceHandle(scm1)",
                      "CloseServiceHandle(svc1)", kUpdated}));
}

TEST_F(CreateCommandTest, DependencyListThatCannotBeBuiltFailsBeforeAnyChange) {
    // Update: the service exists.
    fake::FailCall("AllocateBuffer", ERROR_NOT_ENOUGH_MEMORY);
    RunCreateCommand(EveryOption());
    EXPECT_EQ(fake::Events(), (Events{
                                  kOpenManager,
                                  kLock,
                                  "OpenServiceA(scm1, \"TestServ\", 0xf01ff) -> svc1",
                                  "AllocateBuffer(5) -> null",
                                  "UnlockServiceDatabase(lock1)",
                                  "CloseServiceHandle(scm1)",
                                  "CloseServiceHandle(svc1)",
                                  "print: Failed creating the service, error code 8\n",
                              }));

    // Create: the name is not registered.
    fake::Reset();
    fake::FailCall("OpenServiceA", 1060);
    fake::FailCall("AllocateBuffer", ERROR_NOT_ENOUGH_MEMORY);
    const InstallOutcome outcome = InstallService(EveryOption());
    EXPECT_EQ(outcome.statusCode, 8u);
    EXPECT_FALSE(outcome.created);
    EXPECT_EQ(fake::Events(), (Events{
                                  kOpenManager,
                                  kLock,
                                  "OpenServiceA(scm1, \"TestServ\", 0xf01ff) -> null",
                                  "GetLastError() -> 1060",
                                  "AllocateBuffer(5) -> null",
                                  "UnlockServiceDatabase(lock1)",
                                  "CloseServiceHandle(scm1)",
                              }));
}

TEST_F(CreateCommandTest, OutcomeTellsCreatedFromUpdated) {
    fake::FailCall("OpenServiceA", 1060);
    InstallOutcome outcome = InstallService(FirstUsageExample());
    EXPECT_EQ(outcome.statusCode, 0u);
    EXPECT_TRUE(outcome.created);

    fake::Reset();
    outcome = InstallService(FirstUsageExample());
    EXPECT_EQ(outcome.statusCode, 0u);
    EXPECT_FALSE(outcome.created);
}

}  // namespace
