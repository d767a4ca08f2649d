#include "service/service_description.h"

#include <gtest/gtest.h>

#include "tests/fake/fake_platform_test.h"

namespace {

using Events = std::vector<std::string>;

const char kOpenServices[] =
    "RegOpenKeyExA(HKLM, \"SYSTEM\\CurrentControlSet\\Services\", 0, 0x20006) -> ";

using ServiceDescriptionTest = FakePlatformTest;

TEST_F(ServiceDescriptionTest, OpensBothKeysSetsTheValueAndClosesInnermostFirst) {
    EXPECT_EQ(WriteServiceDescription("TestServ", "Test Service"), 0);
    EXPECT_EQ(fake::Events(),
              (Events{
                  std::string(kOpenServices) + "0 key1",
                  "RegOpenKeyExA(key1, \"TestServ\", 0, 0x20006) -> 0 key2",
                  "RegSetValueExA(key2, \"Description\", 0, 1, \"Test Service\\0\", 13) -> 0",
                  "RegCloseKey(key2)",
                  "RegCloseKey(key1)",
              }));
}

TEST_F(ServiceDescriptionTest, EmptyDescriptionIsStoredWithLengthOne) {
    EXPECT_EQ(WriteServiceDescription("S", ""), 0);
    EXPECT_EQ(fake::Events()[2], "RegSetValueExA(key2, \"Description\", 0, 1, \"\\0\", 1) -> 0");
}

TEST_F(ServiceDescriptionTest, EachFailureReturnsTheRegistrysStatusAfterClosingWhatWasOpened) {
    fake::FailCall("RegOpenKeyExA", 5);
    EXPECT_EQ(WriteServiceDescription("S", "D"), 5);
    EXPECT_EQ(fake::Events(), (Events{std::string(kOpenServices) + "5"}));

    fake::Reset();
    fake::FailCall("RegOpenKeyExA", 2, 2);
    EXPECT_EQ(WriteServiceDescription("Missing", "D"), 2);
    EXPECT_EQ(fake::Events(), (Events{
                                  std::string(kOpenServices) + "0 key1",
                                  "RegOpenKeyExA(key1, \"Missing\", 0, 0x20006) -> 2",
                                  "RegCloseKey(key1)",
                              }));

    fake::Reset();
    fake::FailCall("RegSetValueExA", 112);
    EXPECT_EQ(WriteServiceDescription("S", "D"), 112);
    EXPECT_EQ(fake::Releases(), (Events{"RegCloseKey(key2)", "RegCloseKey(key1)"}));
    EXPECT_EQ(fake::Output(), "");
}

}  // namespace
