#include <gtest/gtest.h>

#include "service/remove_command.h"
#include "tests/fake/fake_platform_test.h"

namespace {

using Events = std::vector<std::string>;

class RemoveCommandTest : public FakePlatformTest {
  protected:
    void Run(const char* name) {
        ServiceRequest request;
        request.mode = RequestMode::Remove;
        request.serviceName = name;
        RunRemoveCommand(request);
    }
};

TEST_F(RemoveCommandTest, DeletesUnderTheLockAndReleasesInOrder) {
    Run("TestServ");
    EXPECT_EQ(fake::Events(), (Events{
                                  "OpenSCManagerA(null, null, 0xa) -> scm1",
                                  "LockServiceDatabase(scm1) -> lock1",
                                  "OpenServiceA(scm1, \"TestServ\", 0x10000) -> svc1",
                                  "DeleteService(svc1) -> 1",
                                  "UnlockServiceDatabase(lock1)",
                                  "CloseServiceHandle(svc1)",
                                  "CloseServiceHandle(scm1)",
                                  "print: Service successfully removed.\n",
                              }));
}

TEST_F(RemoveCommandTest, ManagerThatCannotBeOpenedEndsEverything) {
    fake::FailCall("OpenSCManagerA", 5);
    Run("TestServ");
    EXPECT_EQ(fake::Events(), (Events{
                                  "OpenSCManagerA(null, null, 0xa) -> null",
                                  "GetLastError() -> 5",
                                  "print: Failed removing the service, error code 5\n",
                              }));
}

TEST_F(RemoveCommandTest, LockHeldElsewhereClosesTheManagerBeforePrinting) {
    fake::FailCall("LockServiceDatabase", 1055);
    Run("TestServ");
    EXPECT_EQ(fake::Events(), (Events{
                                  "OpenSCManagerA(null, null, 0xa) -> scm1",
                                  "LockServiceDatabase(scm1) -> null",
                                  "GetLastError() -> 1055",
                                  "CloseServiceHandle(scm1)",
                                  "print: Failed removing the service, error code 1055\n",
                              }));
}

TEST_F(RemoveCommandTest, MissingServiceIsExplainedWithoutANewline) {
    fake::FailCall("OpenServiceA", 1060);
    Run("Nobody");
    EXPECT_EQ(fake::Events(),
              (Events{
                  "OpenSCManagerA(null, null, 0xa) -> scm1",
                  "LockServiceDatabase(scm1) -> lock1",
                  "OpenServiceA(scm1, \"Nobody\", 0x10000) -> null",
                  "GetLastError() -> 1060",
                  "UnlockServiceDatabase(lock1)",
                  "CloseServiceHandle(scm1)",
                  "print: Failed removing the service, error code 1060\n",
                  "print: The specified service does not exist as an installed service.",
              }));
}

TEST_F(RemoveCommandTest, FailedDeletionStillReleasesLockServiceAndManager) {
    fake::FailCall("DeleteService", 1072);
    Run("TestServ");
    EXPECT_EQ(fake::Events(), (Events{
                                  "OpenSCManagerA(null, null, 0xa) -> scm1",
                                  "LockServiceDatabase(scm1) -> lock1",
                                  "OpenServiceA(scm1, \"TestServ\", 0x10000) -> svc1",
                                  "DeleteService(svc1) -> 0",
                                  "GetLastError() -> 1072",
                                  "UnlockServiceDatabase(lock1)",
                                  "CloseServiceHandle(svc1)",
                                  "CloseServiceHandle(scm1)",
                                  "print: Failed removing the service, error code 1072\n",
                              }));
}

TEST_F(RemoveCommandTest, EmptyNameGoesToTheManagerUnchanged) {
    fake::FailCall("OpenServiceA", 123);
    Run("");
    EXPECT_EQ(fake::Events()[2], "OpenServiceA(scm1, \"\", 0x10000) -> null");
    EXPECT_EQ(fake::Output(), "Failed removing the service, error code 123\n");
}

TEST_F(RemoveCommandTest, CodesArePrintedAsSigned32BitDecimals) {
    fake::FailCall("OpenSCManagerA", 0x80070005);
    Run("TestServ");
    EXPECT_EQ(fake::Output(), "Failed removing the service, error code -2147024891\n");
}

TEST_F(RemoveCommandTest, RemoveServiceReturnsTheFailingCode) {
    fake::FailCall("OpenServiceA", 1060);
    EXPECT_EQ(RemoveService("X"), 1060u);
    fake::Reset();
    EXPECT_EQ(RemoveService("X"), 0u);
}

}  // namespace
