#include <gtest/gtest.h>
#include <QTest>
#include <thread>
#include <vector>

#include "Platform/Qt/QtMainQueue.h"

namespace platform {
namespace {

// Every wait is bounded; the bound only matters when the queue is broken.
constexpr int kBoundMs = 5000;

class QtMainQueueTest : public ::testing::Test {
protected:
    bool waitFor(const std::function<bool()>& condition) { return QTest::qWaitFor(condition, kBoundMs); }

    QtMainQueue queue;
    std::vector<int> ran;
};

TEST_F(QtMainQueueTest, AsyncRunsLaterInOrderOnTheMainThread) {
    queue.async([&] { ran.push_back(1); });
    queue.async([&] { ran.push_back(2); });
    EXPECT_TRUE(ran.empty());

    ASSERT_TRUE(waitFor([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
}

TEST_F(QtMainQueueTest, DelayedItemsRunInOrderOfTheirDelay) {
    queue.asyncAfter(0.06, [&] { ran.push_back(3); });
    queue.asyncAfter(0.02, [&] { ran.push_back(1); });
    queue.asyncAfter(0.04, [&] { ran.push_back(2); });
    // A negative delay means now.
    queue.asyncAfter(-1.0, [&] { ran.push_back(0); });

    ASSERT_TRUE(waitFor([&] { return ran.size() == 4; }));
    EXPECT_EQ(ran, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(QtMainQueueTest, ACancelledItemNeverRuns) {
    auto cancelled = queue.asyncAfter(0.01, [&] { ran.push_back(1); });
    queue.asyncAfter(0.03, [&] { ran.push_back(2); });
    cancelled->cancel();

    ASSERT_TRUE(waitFor([&] { return !ran.empty(); }));
    EXPECT_EQ(ran, (std::vector<int>{2}));
}

// 2^32 + 1 milliseconds: wrapped into Qt's int it would be due in 1 ms.
TEST_F(QtMainQueueTest, ADelayBeyondQtsRangeDoesNotWrapAroundToNow) {
    auto distant = queue.asyncAfter(4294967.297, [&] { ran.push_back(1); });
    queue.asyncAfter(0.05, [&] { ran.push_back(2); });

    ASSERT_TRUE(waitFor([&] { return !ran.empty(); }));
    EXPECT_EQ(ran, (std::vector<int>{2}));
    distant->cancel();
}

TEST_F(QtMainQueueTest, WorkQueuedFromAnotherThreadRunsOnTheMainThread) {
    bool queuedFromMain = true;
    std::vector<bool> onMain;
    std::thread worker([&] {
        queuedFromMain = queue.isMainThread();
        queue.async([&] { onMain.push_back(queue.isMainThread()); });
        queue.asyncAfter(0.01, [&] { onMain.push_back(queue.isMainThread()); });
    });
    worker.join();

    ASSERT_TRUE(waitFor([&] { return onMain.size() == 2; }));
    EXPECT_FALSE(queuedFromMain);
    EXPECT_EQ(onMain, (std::vector<bool>{true, true}));
    EXPECT_TRUE(queue.isMainThread());
}

TEST_F(QtMainQueueTest, ARepeatingTimerStopsItselfFromItsTick) {
    int ticks = 0;
    auto timer = queue.scheduleRepeating(0.005, [&](RepeatingTimer& self) {
        if (++ticks == 3) self.invalidate();
    });
    EXPECT_TRUE(timer->isValid());

    ASSERT_TRUE(waitFor([&] { return !timer->isValid(); }));
    // Several intervals later it has still ticked only three times.
    bool later = false;
    queue.asyncAfter(0.05, [&] { later = true; });
    ASSERT_TRUE(waitFor([&] { return later; }));
    EXPECT_EQ(ticks, 3);
}

// As with the manual queue, the event loop keeps the timer: dropping the handle
// neither stops it nor leaves the tick with a dangling timer.
TEST_F(QtMainQueueTest, ADroppedTimerHandleKeepsTickingUntilInvalidated) {
    int ticks = 0;
    std::weak_ptr<RepeatingTimer> weak = queue.scheduleRepeating(0.005, [&](RepeatingTimer& self) {
        if (++ticks == 3) self.invalidate();
    });

    ASSERT_TRUE(waitFor([&] { return ticks == 3; }));
    EXPECT_TRUE(waitFor([&] { return weak.expired(); }));
}

}  // namespace
}  // namespace platform
