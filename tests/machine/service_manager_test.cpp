// The simulated service manager and registry through the platform's own operations.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <thread>

#include "platform/service_platform.h"
#include "tests/machine/machine_test_support.h"

namespace {

constexpr DWORD kManagerAccess = SC_MANAGER_CREATE_SERVICE | SC_MANAGER_LOCK;
const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";

class ServiceManagerTest : public MachineTest {
  protected:
    void SetUp() override {
        MachineTest::SetUp();
        manager_ = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
        ASSERT_NE(manager_, nullptr);
    }
    void TearDown() override {
        EXPECT_TRUE(CloseServiceHandle(manager_));
        MachineTest::TearDown();
    }

    // Creates a demand-start own-process service; returns 0 or the error.
    DWORD Create(const char* name, const char* displayName, const char* account = nullptr,
                 const char* dependencies = nullptr, const char* group = nullptr) {
        SC_HANDLE service = CreateServiceA(
            manager_, name, displayName, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
            SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\svc.exe", group, nullptr, dependencies,
            account, account != nullptr ? "secret-password" : nullptr);
        if (service == nullptr) {
            return GetLastError();
        }
        CloseServiceHandle(service);
        return 0;
    }

    const RegistryKey* ServiceKey(const RegistryState& state, const std::string& name) {
        return FindKey(state, std::string(kServices) + "\\" + name);
    }

    std::string ValueOf(const std::string& service, const char* value) {
        const RegistryState state = ParsedRegistry();
        const RegistryKey* key = ServiceKey(state, service);
        RegistryValue found;
        if (key == nullptr || !GetValue(*key, value, &found)) {
            return "<none>";
        }
        return found.data;
    }

    SC_HANDLE manager_ = nullptr;
};

std::string Text(const char* text) {
    return std::string(text) + '\0';
}

TEST_F(ServiceManagerTest, NewMachineHasTheEmptyServicesKey) {
    const RegistryState state = ParsedRegistry();
    ASSERT_NE(FindKey(state, kServices), nullptr);
    EXPECT_TRUE(ChildKeys(state, kServices).empty());
}

TEST_F(ServiceManagerTest, CreateStoresTheConfigurationAsWindowsKeepsIt) {
    ASSERT_EQ(Create("TestServ", "MyService", nullptr, "A\0B\0", "Grp"), 0u);
    EXPECT_EQ(ValueOf("testserv", "Type"), std::string("\x10\0\0\0", 4));
    EXPECT_EQ(ValueOf("TestServ", "Start"), std::string("\x03\0\0\0", 4));
    EXPECT_EQ(ValueOf("TestServ", "ErrorControl"), std::string("\x01\0\0\0", 4));
    EXPECT_EQ(ValueOf("TestServ", "ImagePath"), Text("C:\\svc.exe"));
    EXPECT_EQ(ValueOf("TestServ", "DisplayName"), Text("MyService"));
    EXPECT_EQ(ValueOf("TestServ", "Group"), Text("Grp"));
    EXPECT_EQ(ValueOf("TestServ", "DependOnService"), std::string("A\0B\0\0", 5));
    EXPECT_EQ(ValueOf("TestServ", "ObjectName"), Text("LocalSystem"));
    EXPECT_EQ(ReadRegistryFileText().find("secret"), std::string::npos);
}

TEST_F(ServiceManagerTest, ChangeLeavesNullSettingsAloneAndClearsWithAnEmptyList) {
    ASSERT_EQ(Create("S", "D", "NT AUTHORITY\\LocalService", "A\0B\0", "Grp"), 0u);
    SC_HANDLE service = OpenServiceA(manager_, "s", SERVICE_ALL_ACCESS);
    ASSERT_NE(service, nullptr);

    ASSERT_TRUE(ChangeServiceConfigA(service, SERVICE_NO_CHANGE, SERVICE_AUTO_START,
                                     SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                     nullptr, nullptr));
    EXPECT_EQ(ValueOf("S", "Start"), std::string("\x02\0\0\0", 4));
    EXPECT_EQ(ValueOf("S", "Type"), std::string("\x10\0\0\0", 4));
    EXPECT_EQ(ValueOf("S", "ImagePath"), Text("C:\\svc.exe"));
    EXPECT_EQ(ValueOf("S", "DisplayName"), Text("D"));
    EXPECT_EQ(ValueOf("S", "Group"), Text("Grp"));
    EXPECT_EQ(ValueOf("S", "DependOnService"), std::string("A\0B\0\0", 5));
    EXPECT_EQ(ValueOf("S", "ObjectName"), Text("NT AUTHORITY\\LocalService"));

    ASSERT_TRUE(ChangeServiceConfigA(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                     SERVICE_ERROR_NORMAL, "\"C:\\a b.exe\" -x", "", nullptr, "\0",
                                     "LocalSystem", "pw", "New Name"));
    EXPECT_EQ(ValueOf("S", "ImagePath"), Text("\"C:\\a b.exe\" -x"));
    EXPECT_EQ(ValueOf("S", "DisplayName"), Text("New Name"));
    EXPECT_EQ(ValueOf("S", "Group"), "<none>");
    EXPECT_EQ(ValueOf("S", "DependOnService"), "<none>");
    EXPECT_EQ(ValueOf("S", "ObjectName"), Text("LocalSystem"));
    EXPECT_TRUE(CloseServiceHandle(service));
}

TEST_F(ServiceManagerTest, DeleteRemovesTheServiceKeyAndEverythingBelowIt) {
    ASSERT_EQ(Create("Gone", "Gone"), 0u);
    ASSERT_EQ(Create("Stays", "Stays"), 0u);
    SC_HANDLE service = OpenServiceA(manager_, "GONE", DELETE);
    ASSERT_NE(service, nullptr);
    EXPECT_TRUE(DeleteService(service));
    EXPECT_FALSE(DeleteService(service));
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_MARKED_FOR_DELETE);
    EXPECT_TRUE(CloseServiceHandle(service));
    const RegistryState state = ParsedRegistry();
    EXPECT_EQ(ServiceKey(state, "Gone"), nullptr);
    EXPECT_NE(ServiceKey(state, "Stays"), nullptr);
}

TEST_F(ServiceManagerTest, RefusesWithTheCodesWindowsGives) {
    ASSERT_EQ(Create("Existing", "Shown Name"), 0u);
    const struct {
        const char* what;
        const char* name;
        const char* displayName;
        const char* account;
        DWORD error;
    } creates[] = {
        {"existing name, other case", "EXISTING", "x", nullptr, ERROR_SERVICE_EXISTS},
        {"display name taken", "New1", "shown name", nullptr, ERROR_DUPLICATE_SERVICE_NAME},
        {"display name is another's name", "New2", "existing", nullptr,
         ERROR_DUPLICATE_SERVICE_NAME},
        {"empty name", "", "x", nullptr, ERROR_INVALID_NAME},
        {"slash", "a/b", "x", nullptr, ERROR_INVALID_NAME},
        {"backslash", "a\\b", "x", nullptr, ERROR_INVALID_NAME},
        {"unknown account", "New3", "x", "nobody", ERROR_INVALID_SERVICE_ACCOUNT},
        {"unknown local user", "New4", "x", ".\\nobody", ERROR_INVALID_SERVICE_ACCOUNT},
    };
    for (const auto& testCase : creates) {
        EXPECT_EQ(Create(testCase.name, testCase.displayName, testCase.account), testCase.error)
            << testCase.what;
    }
    const std::string longName(257, 'n');
    EXPECT_EQ(Create(longName.c_str(), "x"), ERROR_INVALID_NAME);
    EXPECT_EQ(Create(std::string(256, 'n').c_str(), "x"), 0u);

    EXPECT_EQ(CreateServiceA(manager_, "NoPath", nullptr, SERVICE_ALL_ACCESS,
                             SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                             "", nullptr, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    // A new display name of an existing service is checked the same way.
    ASSERT_EQ(Create("Second", "Second Shown"), 0u);
    SC_HANDLE other = OpenServiceA(manager_, "Second", SERVICE_ALL_ACCESS);
    ASSERT_NE(other, nullptr);
    const auto rename = [&](const char* displayName) {
        return ChangeServiceConfigA(other, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE, SERVICE_NO_CHANGE,
                                    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    displayName)
                   ? 0u
                   : GetLastError();
    };
    EXPECT_EQ(rename("SHOWN NAME"), ERROR_DUPLICATE_SERVICE_NAME);
    EXPECT_EQ(rename("Existing"), ERROR_DUPLICATE_SERVICE_NAME);
    EXPECT_EQ(rename("second shown"), 0u);
    EXPECT_EQ(rename("Brand New"), 0u);
    EXPECT_TRUE(CloseServiceHandle(other));

    EXPECT_EQ(OpenServiceA(manager_, "Missing", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
    EXPECT_EQ(OpenServiceA(manager_, "", DELETE), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);

    // Nothing refused was written.
    EXPECT_EQ(ChildKeys(ParsedRegistry(), kServices).size(), 3u);
}

TEST_F(ServiceManagerTest, ChecksHandlesAndTheAccessTheyWereOpenedWith) {
    ASSERT_EQ(Create("S", "D"), 0u);
    SC_HANDLE connectOnly = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    ASSERT_NE(connectOnly, nullptr);
    EXPECT_EQ(LockServiceDatabase(connectOnly), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(CreateServiceA(connectOnly, "T", "T", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "x", nullptr, nullptr,
                             nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseServiceHandle(connectOnly));

    SC_HANDLE readOnly = OpenServiceA(manager_, "S", SERVICE_QUERY_CONFIG);
    ASSERT_NE(readOnly, nullptr);
    EXPECT_FALSE(DeleteService(readOnly));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ChangeServiceConfigA(readOnly, SERVICE_NO_CHANGE, SERVICE_AUTO_START,
                                      SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseServiceHandle(readOnly));

    // A closed handle is a bad handle.
    EXPECT_FALSE(CloseServiceHandle(readOnly));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(DeleteService(manager_));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(UnlockServiceDatabase(manager_));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_SERVICE_LOCK);
}

TEST_F(ServiceManagerTest, DatabaseLockHeldElsewhereGives1055UntilReleased) {
    SC_LOCK lock = LockServiceDatabase(manager_);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(LockServiceDatabase(manager_), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DATABASE_LOCKED);
    EXPECT_TRUE(UnlockServiceDatabase(lock));

    // Another process's lock: an flock on the same file.
    const int other = open((root_ + "/database.lock").c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(RunInChild([] {
                  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, kManagerAccess);
                  const bool locked = LockServiceDatabase(manager) != nullptr;
                  return locked ? 1 : static_cast<int>(GetLastError() - 1000);
              }),
              55);
    close(other);
    lock = LockServiceDatabase(manager_);
    ASSERT_NE(lock, nullptr);
    EXPECT_TRUE(UnlockServiceDatabase(lock));
}

TEST_F(ServiceManagerTest, LocalUsersComeFromTheMachinesUserList) {
    EXPECT_EQ(Create("S1", "D1", "alice"), ERROR_INVALID_SERVICE_ACCOUNT);
    WriteFileText(root_ + "/users.txt", "# local users\nAlice\n  bob  \n");
    EXPECT_EQ(Create("S1", "D1", "alice"), 0u);
    EXPECT_EQ(Create("S2", "D2", ".\\BOB"), 0u);
    EXPECT_EQ(Create("S3", "D3", "carol"), ERROR_INVALID_SERVICE_ACCOUNT);
    EXPECT_EQ(Create("S4", "D4", "localsystem"), 0u);
    EXPECT_EQ(Create("S5", "D5", "NT AUTHORITY\\NetworkService"), 0u);
}

TEST_F(ServiceManagerTest, RegistryKeysOpenSetAndClose) {
    ASSERT_EQ(Create("S", "D"), 0u);
    HKEY services = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "system\\currentcontrolset\\SERVICES", 0, KEY_WRITE,
                            &services),
              0);
    HKEY missing = nullptr;
    EXPECT_EQ(RegOpenKeyExA(services, "Missing", 0, KEY_WRITE, &missing), 2);
    EXPECT_EQ(missing, nullptr);
    HKEY service = nullptr;
    ASSERT_EQ(RegOpenKeyExA(services, "s", 0, KEY_WRITE, &service), 0);
    const BYTE text[] = "Quote \" and \\ backslash";
    EXPECT_EQ(RegSetValueExA(service, "Description", 0, REG_SZ, text, sizeof text), 0);
    EXPECT_EQ(ValueOf("S", "description"),
              std::string(reinterpret_cast<const char*>(text), sizeof text));

    HKEY readOnly = nullptr;
    ASSERT_EQ(RegOpenKeyExA(services, "S", 0, KEY_READ, &readOnly), 0);
    EXPECT_EQ(RegSetValueExA(readOnly, "Description", 0, REG_SZ, text, sizeof text), 5);
    EXPECT_EQ(RegCloseKey(readOnly), 0);

    EXPECT_EQ(RegCloseKey(service), 0);
    EXPECT_EQ(RegCloseKey(services), 0);
    EXPECT_EQ(RegCloseKey(services), 6);
    EXPECT_EQ(RegSetValueExA(service, "Description", 0, REG_SZ, text, sizeof text), 6);
    EXPECT_EQ(RegOpenKeyExA(services, "S", 0, KEY_WRITE, &service), 6);
}

TEST_F(ServiceManagerTest, LastErrorBelongsToEachThread) {
    EXPECT_EQ(OpenServiceA(manager_, "Missing", DELETE), nullptr);
    DWORD otherThreadError = 0;
    std::thread other([&] {
        OpenServiceA(manager_, "", DELETE);
        otherThreadError = GetLastError();
    });
    other.join();
    EXPECT_EQ(otherThreadError, ERROR_INVALID_NAME);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_DOES_NOT_EXIST);
}

}  // namespace
