#include <gtest/gtest.h>

#include <vector>

#include "ZeraZov/Delivery/Api/Private/ZeraZovIdleTimer.h"

namespace zerazov {
namespace {

using std::chrono::milliseconds;

struct Reading {
    int atMilliseconds;
    std::int64_t movedBytes;
    bool stalled;
};

// Each case feeds readings in order to a timer of one second.
TEST(ZeraZovIdleTimer, StallsOnlyAfterAFullTimeoutWithoutAByteMoving) {
    struct Case {
        const char* name;
        std::vector<Reading> readings;
    };
    const Case cases[] = {
        {"silent from the start", {{0, 0, false}, {999, 0, false}, {1000, 0, true}}},
        {"slow but moving for long",
         {{0, 0, false}, {900, 1, false}, {1800, 2, false}, {2700, 3, false}, {3600, 4, false}, {4500, 5, false}}},
        {"silent after a burst", {{0, 0, false}, {10, 50000, false}, {1009, 50000, false}, {1010, 50000, true}}},
        {"a late byte restarts the wait",
         {{0, 0, false}, {990, 0, false}, {995, 1, false}, {1990, 1, false}, {1995, 1, true}}},
        {"the first reading starts the clock", {{5000, 0, false}, {5999, 0, false}, {6000, 0, true}}},
    };
    for (const auto& c : cases) {
        ZeraZovIdleTimer timer(milliseconds(1000));
        for (const auto& reading : c.readings) {
            const auto at = ZeraZovIdleTimer::Time{} + milliseconds(reading.atMilliseconds);
            EXPECT_EQ(timer.hasStalled(reading.movedBytes, at), reading.stalled)
                << c.name << " at " << reading.atMilliseconds << " ms";
        }
    }
}

}  // namespace
}  // namespace zerazov
