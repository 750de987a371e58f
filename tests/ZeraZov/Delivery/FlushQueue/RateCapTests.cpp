#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualClock.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FlushQueue/RateCap.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using namespace std::chrono_literals;

const std::string kWarning = "[ZeraZov] Queue rate cap exceeded (3 per 10.0s), dropping records this window";

class RateCapTest : public ::testing::Test {
protected:
    int admitted(RateCap& cap, int attempts) {
        int count = 0;
        for (int i = 0; i < attempts; ++i) count += cap.admit() ? 1 : 0;
        return count;
    }

    std::size_t warnings() const {
        std::size_t count = 0;
        for (const auto& line : log.lines()) count += line.find(kWarning) != std::string::npos ? 1 : 0;
        return count;
    }

    platform::ManualClock clock{platform::Clock::WallTime{} + 1000s};
    platform::LogCapture log;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

TEST_F(RateCapTest, AcceptsTheMaximumPerWindowAndWarnsOnce) {
    RateCap cap(3, 10, clock);
    EXPECT_EQ(admitted(cap, 6), 3);
    EXPECT_EQ(warnings(), 1u);
}

TEST_F(RateCapTest, ANewWindowAcceptsAgainAndMayWarnAgain) {
    RateCap cap(3, 10, clock);
    admitted(cap, 4);
    clock.advance(9s);
    EXPECT_FALSE(cap.admit());
    clock.advance(1s);
    EXPECT_EQ(admitted(cap, 4), 3);
    EXPECT_EQ(warnings(), 2u);
}

TEST_F(RateCapTest, AClockSetBackOpensANewWindow) {
    RateCap cap(3, 10, clock);
    admitted(cap, 3);
    clock.setNow(clock.now() - 60s);
    EXPECT_TRUE(cap.admit());
}

TEST_F(RateCapTest, NoMaximumMeansNoCap) {
    RateCap off(0, 10, clock);
    RateCap negative(-5, 10, clock);
    EXPECT_EQ(admitted(off, 1000), 1000);
    EXPECT_EQ(admitted(negative, 1000), 1000);
}

TEST_F(RateCapTest, AZeroWindowNeverDrops) {
    RateCap cap(1, 0, clock);
    EXPECT_EQ(admitted(cap, 5), 5);
}

}  // namespace
}  // namespace zerazov
