#include <gtest/gtest.h>

#include <chrono>

#include "ZeraZov/Delivery/FlushQueue/Private/QueuePauseDescription.h"

namespace zerazov {
namespace {

using namespace std::chrono_literals;
using platform::Clock;

// 2026-12-09 06:30:00 UTC
const Clock::WallTime kNow = Clock::WallTime{} + 1796797800s;

TEST(QueuePauseDescription, ReachabilityPauseWinsOverBackoff) {
    EXPECT_EQ(queuePauseDescription(true, kNow + 10s, kNow), "paused due to the reachability check");
}

TEST(QueuePauseDescription, AFutureBackoffNamesItsEndInUtc) {
    EXPECT_EQ(queuePauseDescription(false, kNow + 15s, kNow), "paused until `2026-12-09 06:30:15 +0000`");
}

TEST(QueuePauseDescription, AnExpiredOrAbsentBackoffDoesNotPause) {
    EXPECT_EQ(queuePauseDescription(false, kNow, kNow), std::nullopt);
    EXPECT_EQ(queuePauseDescription(false, kNow - 1s, kNow), std::nullopt);
    EXPECT_EQ(queuePauseDescription(false, std::nullopt, kNow), std::nullopt);
}

}  // namespace
}  // namespace zerazov
