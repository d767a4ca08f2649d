// A test that runs the logic against the recording fake: it starts from a clean fake and
// ends by checking that everything obtained was released, exactly once.
#pragma once

#include <gtest/gtest.h>

#include "tests/fake/recording_platform.h"

class FakePlatformTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::Reset(); }
    void TearDown() override {
        EXPECT_TRUE(fake::Unreleased().empty());
        EXPECT_TRUE(fake::ReleaseErrors().empty());
    }
};
