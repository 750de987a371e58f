#include "Platform/Testing/ManualMainQueue.h"

#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace platform {
namespace {

using ::testing::DoubleNear;
using ::testing::ElementsAre;

TEST(ManualMainQueueTest, DelayedWorkRunsInDueOrderAtItsOwnTime) {
    ManualMainQueue queue;
    std::vector<std::pair<std::string, double>> ran;
    auto record = [&](std::string name) { return [&ran, &queue, name] { ran.emplace_back(name, queue.now()); }; };
    queue.asyncAfter(0.3, record("late"));
    queue.asyncAfter(0.1, record("early"));
    queue.asyncAfter(0.1, record("early-second"));
    queue.asyncAfter(0.2, record("middle"));

    queue.advance(0.15);
    ASSERT_EQ(ran.size(), 2u);
    queue.advance(1.0);
    ASSERT_EQ(ran.size(), 4u);
    EXPECT_EQ(ran[0].first, "early");
    EXPECT_EQ(ran[1].first, "early-second");
    EXPECT_EQ(ran[2].first, "middle");
    EXPECT_EQ(ran[3].first, "late");
    EXPECT_DOUBLE_EQ(ran[2].second, 0.2);
    EXPECT_DOUBLE_EQ(ran[3].second, 0.3);
    EXPECT_DOUBLE_EQ(queue.now(), 1.15);
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(ManualMainQueueTest, SmallStepsReachWorkDueAtTheirSum) {
    ManualMainQueue queue;
    bool ran = false;
    queue.asyncAfter(1.0, [&ran] { ran = true; });
    for (int step = 0; step < 10; ++step) queue.advance(0.1);
    EXPECT_TRUE(ran);
}

TEST(ManualMainQueueTest, CancelledWorkItemNeverRuns) {
    ManualMainQueue queue;
    int runs = 0;
    auto kept = queue.asyncAfter(0.3, [&runs] { ++runs; });
    auto cancelled = queue.asyncAfter(0.3, [&runs] { runs += 100; });
    cancelled->cancel();
    queue.advance(0.5);
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(cancelled->isCancelled());
}

TEST(ManualMainQueueTest, DrainRunsWorkQueuedByWorkButNothingInTheFuture) {
    ManualMainQueue queue;
    std::vector<std::string> ran;
    queue.async([&] {
        ran.push_back("outer");
        queue.async([&] { ran.push_back("inner"); });
        queue.asyncAfter(0.5, [&] { ran.push_back("later"); });
    });
    queue.drain();
    EXPECT_THAT(ran, ElementsAre("outer", "inner"));
    EXPECT_EQ(queue.pendingCount(), 1u);
}

TEST(ManualMainQueueTest, RepeatingTimerTicksAtItsIntervalUntilItInvalidatesItself) {
    ManualMainQueue queue;
    std::vector<double> ticks;
    auto timer = queue.scheduleRepeating(0.25, [&](RepeatingTimer& self) {
        ticks.push_back(queue.now());
        if (ticks.size() == 3) self.invalidate();
    });
    queue.advance(0.6);
    EXPECT_THAT(ticks, ElementsAre(DoubleNear(0.25, 1e-9), DoubleNear(0.5, 1e-9)));
    EXPECT_TRUE(timer->isValid());
    queue.advance(10);
    EXPECT_THAT(ticks, ElementsAre(DoubleNear(0.25, 1e-9), DoubleNear(0.5, 1e-9), DoubleNear(0.75, 1e-9)));
    EXPECT_FALSE(timer->isValid());
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST(ManualMainQueueTest, TimerInvalidatedFromOutsideStopsTicking) {
    ManualMainQueue queue;
    int ticks = 0;
    auto timer = queue.scheduleRepeating(0.1, [&ticks](RepeatingTimer&) { ++ticks; });
    queue.advance(0.35);
    timer->invalidate();
    queue.advance(1.0);
    EXPECT_EQ(ticks, 3);
}

TEST(ManualMainQueueTest, OnlyTheCreatingThreadIsMain) {
    ManualMainQueue queue;
    EXPECT_TRUE(queue.isMainThread());
    bool otherIsMain = true;
    std::thread other([&] { otherIsMain = queue.isMainThread(); });
    other.join();
    EXPECT_FALSE(otherIsMain);
}

}  // namespace
}  // namespace platform
