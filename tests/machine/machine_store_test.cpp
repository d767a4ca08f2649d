// Durability and concurrency of the simulated machine's registry file.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/service_platform.h"
#include "platform/sim/machine_store.h"
#include "platform/sim/registry_file.h"
#include "tests/machine/machine_test_support.h"

namespace {

const char kServices[] = "SYSTEM\\CurrentControlSet\\Services";

// Creates services "<prefix>0" to "<prefix><count - 1>"; returns how many failed.
int CreateServices(const std::string& prefix, int count) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
    if (manager == nullptr) {
        return count;
    }
    int failures = 0;
    for (int index = 0; index < count; ++index) {
        const std::string name = prefix + std::to_string(index);
        SC_HANDLE service =
            CreateServiceA(manager, name.c_str(), nullptr, SERVICE_ALL_ACCESS,
                           SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                           "C:\\x.exe", nullptr, nullptr, nullptr, nullptr, nullptr);
        failures += service == nullptr ? 1 : 0;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return failures;
}

using MachineStoreTest = MachineTest;

TEST_F(MachineStoreTest, MissingRootIsCreatedWithTheServicesKey) {
    setenv("QVTTOSERVICE_MACHINE", (root_ + "/deeper/still").c_str(), 1);
    std::shared_ptr<const RegistryState> state;
    ASSERT_EQ(ReadRegistry(&state), 0u);
    EXPECT_NE(FindKey(*state, kServices), nullptr);
    EXPECT_EQ(ReadFileText(root_ + "/deeper/still/registry.reg"),
              FormatRegistryFile(InitialRegistryState()));
}

TEST_F(MachineStoreTest, CorruptOrUnreadableFileGivesBadDatabaseAndIsNeverOverwritten) {
    ASSERT_EQ(CreateServices("S", 1), 0);
    const char* const bad[] = {"garbage", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\"x\"=oops\n", ""};
    for (const char* text : bad) {
        WriteRegistryFileText(text);
        EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_BADDB);
        EXPECT_EQ(ChangeRegistry([](RegistryState&) -> DWORD { return 0; }), ERROR_BADDB);
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServices, 0, KEY_WRITE, &key),
                  static_cast<LSTATUS>(ERROR_BADDB));
        EXPECT_EQ(CreateServices("T", 1), 1);
        EXPECT_EQ(ReadRegistryFileText(), text);
    }
    // A folder where the file should be cannot be read either.
    ASSERT_EQ(unlink(RegistryFilePath().c_str()), 0);
    ASSERT_EQ(mkdir(RegistryFilePath().c_str(), 0755), 0);
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_BADDB);
}

TEST_F(MachineStoreTest, RootThatIsNotAFolderIsAnError) {
    ASSERT_EQ(CreateServices("S", 1), 0);
    setenv("QVTTOSERVICE_MACHINE", RegistryFilePath().c_str(), 1);
    EXPECT_EQ(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(MachineStoreTest, FailedWriteLeavesTheOldFileAndReportsTheSystemsCode) {
    ASSERT_EQ(CreateServices("S", 3), 0);
    const std::string before = ReadRegistryFileText();
    // A file size limit below the new file's size makes the write fail part way.
    const int status = RunInChild([&] {
        struct rlimit limit = {static_cast<rlim_t>(before.size() / 2),
                               static_cast<rlim_t>(before.size() / 2)};
        setrlimit(RLIMIT_FSIZE, &limit);
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE);
        SC_HANDLE service =
            CreateServiceA(manager, "Extra", nullptr, SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, "C:\\x.exe", nullptr,
                           nullptr, nullptr, nullptr, nullptr);
        return service == nullptr && GetLastError() == ERROR_FILE_TOO_LARGE ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadRegistryFileText(), before);
    EXPECT_EQ(access((root_ + "/registry.reg.tmp").c_str(), F_OK), -1);

    // A read-only machine: only a user without root's override can see it fail.
    if (geteuid() != 0) {
        ASSERT_EQ(chmod(root_.c_str(), 0555), 0);
        EXPECT_EQ(CreateServices("T", 1), 1);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        ASSERT_EQ(chmod(root_.c_str(), 0755), 0);
        EXPECT_EQ(ReadRegistryFileText(), before);
    }
}

TEST_F(MachineStoreTest, ProcessesChangingAtOnceNeverLoseEachOthersChanges) {
    ASSERT_EQ(CreateServices("Seed", 1), 0);
    constexpr int kProcesses = 4;
    constexpr int kEach = 25;
    std::vector<pid_t> children;
    for (int process = 0; process < kProcesses; ++process) {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            _exit(CreateServices("P" + std::to_string(process) + "_", kEach));
        }
        children.push_back(child);
    }
    for (pid_t child : children) {
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(ChildKeys(ParsedRegistry(), kServices).size(),
              static_cast<std::size_t>(kProcesses * kEach + 1));
}

TEST_F(MachineStoreTest, ProcessKilledInTheMiddleOfWritesLeavesAReadableStore) {
    ASSERT_EQ(CreateServices("Seed", 50), 0);
    for (int round = 0; round < 20; ++round) {
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            _exit(CreateServices("R" + std::to_string(round) + "_", 1000));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + round * 3));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status)) << "round " << round << " finished before the kill";
        RegistryState state;
        ASSERT_TRUE(ParseRegistryFile(ReadRegistryFileText(), &state)) << "round " << round;
        EXPECT_NE(FindKey(state, std::string(kServices) + "\\Seed49"), nullptr);
    }
    // The machine goes on working after all of it.
    EXPECT_EQ(CreateServices("After", 1), 0);
}

}  // namespace
