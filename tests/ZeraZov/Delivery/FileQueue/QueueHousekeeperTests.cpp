#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualClock.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueHousekeeper.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov_file_queue_tests {
namespace {

using namespace std::chrono_literals;
using zerazov::ZeraZovQueueHousekeeper;
using Time = platform::Clock::MonotonicTime;

// Stands in for the disk: counts syncs and removals with the clock's time,
// notes the thread they ran on and its priority, and can hold a removal until
// the test lets it go.
class FakeDisk {
public:
    explicit FakeDisk(const platform::Clock& clock) : clock_(clock) {}

    ZeraZovQueueHousekeeper::SyncAction syncAction() {
        return [this]() -> platform::Failure {
            std::lock_guard guard(lock_);
            syncs_.push_back(clock_.monotonicNow());
            noteThread();
            changed_.notify_all();
            return failure_;
        };
    }
    ZeraZovQueueHousekeeper::RemoveAction removeAction() {
        return [this](const std::string& name) {
            std::unique_lock guard(lock_);
            ++heldRemovals_;
            changed_.notify_all();
            changed_.wait(guard, [&] { return !holding_; });
            removed_.push_back(name);
            removedAt_.push_back(clock_.monotonicNow());
            noteThread();
            changed_.notify_all();
        };
    }

    void hold(bool holding) {
        std::lock_guard guard(lock_);
        holding_ = holding;
        changed_.notify_all();
    }
    // False when no removal came to the held disk within the time.
    bool waitForAHeldRemoval(std::chrono::milliseconds within = 5s) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, within, [&] { return heldRemovals_ > 0; });
    }
    void failSyncsWith(std::string error) {
        std::lock_guard guard(lock_);
        failure_ = std::move(error);
    }

    // False when fewer than `count` syncs came within the time.
    bool waitForSyncs(std::size_t count, std::chrono::milliseconds within = 5s) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, within, [&] { return syncs_.size() >= count; });
    }
    std::vector<Time> syncs() const {
        std::lock_guard guard(lock_);
        return syncs_;
    }
    std::vector<std::string> removed() const {
        std::lock_guard guard(lock_);
        return removed_;
    }
    // False when fewer than `count` removals came within the time.
    bool waitForRemovals(std::size_t count, std::chrono::milliseconds within = 5s) {
        std::unique_lock guard(lock_);
        return changed_.wait_for(guard, within, [&] { return removed_.size() >= count; });
    }
    std::vector<Time> removedAt() const {
        std::lock_guard guard(lock_);
        return removedAt_;
    }
    bool ranOnlyOffThread(std::thread::id caller) const {
        std::lock_guard guard(lock_);
        for (const auto& id : threads_) {
            if (id == caller) return false;
        }
        return true;
    }

    bool ranOnlyAtNice(int nice) const {
        std::lock_guard guard(lock_);
        return !nices_.empty() && std::all_of(nices_.begin(), nices_.end(), [nice](int n) { return n == nice; });
    }

private:
    // Called with the lock held.
    void noteThread() {
        threads_.push_back(std::this_thread::get_id());
        nices_.push_back(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())));
    }

    const platform::Clock& clock_;
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Time> syncs_;
    std::vector<std::string> removed_;
    std::vector<Time> removedAt_;
    int heldRemovals_ = 0;
    std::vector<std::thread::id> threads_;
    std::vector<int> nices_;
    platform::Failure failure_;
    bool holding_ = false;
};

ZeraZovQueueHousekeeper::Policy policy(std::size_t writesPerSync, std::chrono::milliseconds longestWait) {
    return {writesPerSync, longestWait};
}

TEST(QueueHousekeeperTest, ASyncComesOnceAGroupIsFullOrItsOldestRecordWaitedLongEnough) {
    platform::ManualClock clock;
    FakeDisk disk(clock);
    {
        SCOPED_TRACE("a full group");
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(4, 1h), clock);
        for (int i = 0; i < 3; ++i) keeper.written();
        EXPECT_FALSE(disk.waitForSyncs(1, 100ms)) << "synced before the group was full";
        keeper.written();
        EXPECT_TRUE(disk.waitForSyncs(1));
        for (int i = 0; i < 8; ++i) keeper.written();
        EXPECT_TRUE(disk.waitForSyncs(2));
    }
    FakeDisk slow(clock);
    {
        SCOPED_TRACE("a record that waited");
        ZeraZovQueueHousekeeper keeper(slow.syncAction(), slow.removeAction(), policy(64, 200ms), clock);
        const auto written = clock.monotonicNow();
        keeper.written();
        clock.advance(199ms);
        EXPECT_FALSE(slow.waitForSyncs(1, 50ms)) << "synced before the oldest record waited long enough";
        clock.advance(1ms);
        ASSERT_TRUE(slow.waitForSyncs(1));
        EXPECT_GE(slow.syncs()[0] - written, 200ms);
        EXPECT_EQ(slow.syncs().size(), 1u);
    }
}

// The disk work is background work: it runs on the worker, at the lowest CPU
// priority, never taking a CPU from the threads that add, read and upload records.
TEST(QueueHousekeeperTest, SyncNowAndShutdownLeaveNothingUnsyncedAndTheWorkerDoesTheWorkAtTheLowestPriority) {
    platform::ManualClock clock;
    FakeDisk disk(clock);
    const auto caller = std::this_thread::get_id();
    {
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(64, 1h), clock);
        keeper.syncNow();
        EXPECT_TRUE(disk.syncs().empty()) << "a sync with nothing written";
        keeper.written();
        keeper.syncNow();
        EXPECT_EQ(disk.syncs().size(), 1u);
        keeper.written();
        keeper.remove({"a", "b"});
    }
    EXPECT_EQ(disk.syncs().size(), 2u);
    EXPECT_EQ(disk.removed(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(disk.ranOnlyOffThread(caller));
    EXPECT_TRUE(disk.ranOnlyAtNice(19));
}

// The clock stands still, so only finishRemovals() can start the removals.
TEST(QueueHousekeeperTest, RemovingNeverWaitsForTheDiskButFinishRemovalsDoes) {
    platform::ManualClock clock;
    FakeDisk disk(clock);
    ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(64, 1h), clock);
    disk.hold(true);
    const auto asked = std::chrono::steady_clock::now();
    keeper.remove({"first"});
    keeper.remove({"second", "third"});
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 1s);
    EXPECT_TRUE(disk.removed().empty());

    std::thread releaser([&] {
        EXPECT_TRUE(disk.waitForAHeldRemoval()) << "finishRemovals() did not start the removals";
        disk.hold(false);
    });
    keeper.finishRemovals();
    EXPECT_EQ(disk.removed(), (std::vector<std::string>{"first", "second", "third"}));
    releaser.join();
}

// The deletes of a flush wait until its uploads stop asking for more, so they do
// not compete with the reads of its next batches; they then go in one run.
TEST(QueueHousekeeperTest, RemovalsWaitUntilNoneWasAskedForTheSettlingTime) {
    platform::ManualClock clock;
    FakeDisk disk(clock);
    ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), {64, 1h, 300ms}, clock);
    keeper.remove({"first"});
    clock.advance(100ms);
    const auto lastAsked = clock.monotonicNow();
    keeper.remove({"second"});
    clock.advance(299ms);
    EXPECT_FALSE(disk.waitForRemovals(1, 50ms)) << "removed before the removals settled";
    clock.advance(1ms);
    ASSERT_TRUE(disk.waitForRemovals(2));
    EXPECT_EQ(disk.removed(), (std::vector<std::string>{"first", "second"}));
    for (const auto at : disk.removedAt()) EXPECT_GE(at - lastAsked, 300ms);
}

TEST(QueueHousekeeperTest, AFailedSyncIsLogged) {
    platform::ManualClock clock;
    FakeDisk disk(clock);
    disk.failSyncsWith("Input/output error");
    platform::LogCapture log;
    {
        const tessivar::testing::DebugLogSwitch debug;
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(1, 1h), clock);
        keeper.written();
        keeper.syncNow();
    }
    EXPECT_TRUE(log.contains("[ZeraZov] Could not sync the queue's records to disk: Input/output error"));
}

}  // namespace
}  // namespace zerazov_file_queue_tests
