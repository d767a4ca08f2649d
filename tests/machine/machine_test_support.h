// A fresh simulated machine in a temporary folder for each test.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/sim/registry_state.h"

class MachineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::string RegistryFilePath() const { return root_ + "/registry.reg"; }
    std::string ReadRegistryFileText() const;
    void WriteRegistryFileText(const std::string& text) const;
    // The registry as it is on disk now.
    RegistryState ParsedRegistry() const;

    std::string root_;  // the machine root, below a temporary folder of the test's own

  private:
    std::string folder_;
};

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);

// Runs `body` in a child process and returns its exit status (or 128 + the signal).
int RunInChild(const std::function<int()>& body);
