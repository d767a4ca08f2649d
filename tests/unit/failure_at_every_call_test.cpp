// Runs each command once per call that obtains or changes something, failing that call,
// and checks that everything obtained is released exactly once, in order, and that the
// code printed is the failing call's.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "service/create_command.h"
#include "service/remove_command.h"
#include "tests/fake/recording_platform.h"

namespace {

struct Scenario {
    const char* what;
    std::function<void()> script;  // the platform's answers before any injected failure
    std::function<void()> run;
};

ServiceRequest FullCreateRequest() {
    ServiceRequest request;
    request.mode = RequestMode::Create;
    request.serviceName = "S";
    request.displayName = "D";
    request.executablePath = "P";
    request.loadOrderGroup = "G";
    request.dependencies = "A;B";
    request.accountName = "LocalSystem";
    request.password = "pw";
    request.description = "H";
    return request;
}

std::ptrdiff_t PositionOf(const std::vector<std::string>& events, const std::string& prefix) {
    const auto found = std::find_if(events.begin(), events.end(), [&](const std::string& event) {
        return event.rfind(prefix, 0) == 0;
    });
    return found == events.end() ? -1 : found - events.begin();
}

std::ptrdiff_t LastPositionOf(const std::vector<std::string>& events, const std::string& prefix) {
    std::ptrdiff_t last = -1;
    for (std::size_t index = 0; index < events.size(); ++index) {
        if (events[index].rfind(prefix, 0) == 0) {
            last = static_cast<std::ptrdiff_t>(index);
        }
    }
    return last;
}

TEST(FailureAtEveryCall, ReleasesEverythingOnceInOrderAndReportsTheFailingCode) {
    const Scenario scenarios[] = {
        {"remove", [] {},
         [] {
             ServiceRequest request;
             request.mode = RequestMode::Remove;
             request.serviceName = "S";
             RunRemoveCommand(request);
         }},
        {"create", [] { fake::FailCall("OpenServiceA", ERROR_SERVICE_DOES_NOT_EXIST); },
         [] { RunCreateCommand(FullCreateRequest()); }},
        {"update", [] {}, [] { RunCreateCommand(FullCreateRequest()); }},
    };
    for (const Scenario& scenario : scenarios) {
        fake::Reset();
        scenario.script();
        scenario.run();
        const int callCount = fake::AcquiringCallCount();
        ASSERT_GT(callCount, 2) << scenario.what;

        for (int index = 1; index <= callCount; ++index) {
            const DWORD injected = 7000 + static_cast<DWORD>(index);
            fake::Reset();
            scenario.script();
            fake::FailNthAcquiringCall(index, injected);
            scenario.run();
            const std::string where =
                std::string(scenario.what) + ", call " + std::to_string(index);
            const std::vector<std::string>& events = fake::Events();
            const std::vector<std::string> releases = fake::Releases();

            EXPECT_TRUE(fake::Unreleased().empty()) << where;
            EXPECT_TRUE(fake::ReleaseErrors().empty()) << where;
            // The lock goes before any handle, and the inner key before the outer one.
            const std::ptrdiff_t unlock = PositionOf(releases, "UnlockServiceDatabase");
            if (unlock >= 0) {
                EXPECT_LT(unlock, PositionOf(releases, "CloseServiceHandle")) << where;
            }
            const std::ptrdiff_t innerKey = PositionOf(releases, "RegCloseKey(key2)");
            if (innerKey >= 0) {
                EXPECT_LT(innerKey, PositionOf(releases, "RegCloseKey(key1)")) << where;
            }
            // Nothing is printed before the last release of a failed command, except a
            // description's failure, which is printed while the lock is still held.
            const std::string output = fake::Output();
            const bool failedAllocation =
                PositionOf(events, "AllocateBuffer") >= 0 &&
                events[static_cast<std::size_t>(PositionOf(events, "AllocateBuffer"))].find(
                    "null") != std::string::npos;
            const std::string code = failedAllocation ? "8" : std::to_string(injected);
            EXPECT_NE(output.find("error code " + code + "\n"), std::string::npos)
                << where << ": " << output;
            if (output.find("description") == std::string::npos) {
                EXPECT_GT(PositionOf(events, "print:"), LastPositionOf(events, "Close")) << where;
                EXPECT_EQ(output.find("successfully"), std::string::npos) << where;
            } else {
                EXPECT_NE(output.find("Service successfully"), std::string::npos) << where;
            }
        }
    }
}

}  // namespace
