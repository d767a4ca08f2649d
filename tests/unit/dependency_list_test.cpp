#include "service/dependency_list.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/fake/recording_platform.h"

namespace {

// The whole buffer a list was built in: text length plus 2 bytes.
std::string WholeBuffer(const char* list, const char* text) {
    return std::string(list, std::strlen(text) + 2);
}

TEST(BuildDependencyList, AbsentTextGivesNoList) {
    fake::Reset();
    EXPECT_EQ(BuildDependencyList(nullptr), nullptr);
    EXPECT_EQ(fake::AcquiringCallCount(), 0);
}

TEST(BuildDependencyList, EncodesNamesEachEndedByNulThenOneMoreNul) {
    using std::string;
    const struct {
        const char* text;
        string buffer;  // every byte of the text length plus 2
    } cases[] = {
        {"", string("\0\0", 2)},
        {";", string("\0\0\0", 3)},
        {";;;", string("\0\0\0\0\0", 5)},
        {"A;B", string("A\0B\0\0", 5)},
        {";A;;B;", string("A\0B\0\0\0\0\0", 8)},
        {"Tcpip", string("Tcpip\0\0", 7)},
        {" A ; B", string(" A \0 B\0\0", 8)},
        {"A,B C\tD", string("A,B C\tD\0\0", 9)},
        {"RpcSs;LanmanServer;Dhcp", string("RpcSs\0LanmanServer\0Dhcp\0\0", 25)},
        {"\xE9t\xE9;x", string("\xE9t\xE9\0x\0\0", 7)},
    };
    for (const auto& testCase : cases) {
        fake::Reset();
        const std::string before = testCase.text;
        char* list = BuildDependencyList(testCase.text);
        ASSERT_NE(list, nullptr) << testCase.text;
        EXPECT_EQ(WholeBuffer(list, testCase.text), testCase.buffer) << testCase.text;
        EXPECT_EQ(before, testCase.text) << "the caller's text is unchanged";
        EXPECT_EQ(fake::Events().front(),
                  "AllocateBuffer(" + std::to_string(std::strlen(testCase.text) + 2) + ") -> buf1");
        ReleaseBuffer(list);
        EXPECT_TRUE(fake::Unreleased().empty());
    }
}

TEST(BuildDependencyList, AllocationFailureGivesNullForAPresentText) {
    fake::Reset();
    fake::FailCall("AllocateBuffer", ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(BuildDependencyList("A;B"), nullptr);
    EXPECT_TRUE(fake::Unreleased().empty());
}

}  // namespace
