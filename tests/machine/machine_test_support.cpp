#include "tests/machine/machine_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/sim/registry_file.h"

void MachineTest::SetUp() {
    char pattern[] = "/tmp/qvt-machine-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    root_ = folder_ + "/machine";
    setenv("QVTTOSERVICE_MACHINE", root_.c_str(), 1);
}

void MachineTest::TearDown() {
    unsetenv("QVTTOSERVICE_MACHINE");
    const std::string command = "chmod -R u+w '" + folder_ + "' && rm -rf '" + folder_ + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

std::string MachineTest::ReadRegistryFileText() const {
    return ReadFileText(RegistryFilePath());
}

void MachineTest::WriteRegistryFileText(const std::string& text) const {
    WriteFileText(RegistryFilePath(), text);
}

RegistryState MachineTest::ParsedRegistry() const {
    RegistryState state;
    EXPECT_TRUE(ParseRegistryFile(ReadRegistryFileText(), &state));
    return state;
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

int RunInChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
