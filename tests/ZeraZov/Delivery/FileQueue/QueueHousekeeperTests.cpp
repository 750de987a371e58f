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
#include "ZeraZov/Core/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/ZeraZovQueueHousekeeper.h"

namespace zerazov_file_queue_tests {
namespace {

using namespace std::chrono_literals;
using zerazov::ZeraZovQueueHousekeeper;
using Clock = std::chrono::steady_clock;

// Stands in for the disk: counts syncs and removals, notes the thread they ran
// on and its priority, and can hold a removal until the test lets it go.
class FakeDisk {
public:
    ZeraZovQueueHousekeeper::SyncAction syncAction() {
        return [this]() -> std::optional<std::string> {
            std::lock_guard guard(lock_);
            syncs_.push_back(Clock::now());
            noteThread();
            changed_.notify_all();
            return failure_;
        };
    }
    ZeraZovQueueHousekeeper::RemoveAction removeAction() {
        return [this](const std::string& name) {
            std::unique_lock guard(lock_);
            changed_.wait(guard, [&] { return !holding_; });
            removed_.push_back(name);
            removedAt_.push_back(Clock::now());
            noteThread();
            changed_.notify_all();
        };
    }

    void hold(bool holding) {
        std::lock_guard guard(lock_);
        holding_ = holding;
        changed_.notify_all();
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
    std::vector<Clock::time_point> syncs() const {
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
    std::vector<Clock::time_point> removedAt() const {
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

    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Clock::time_point> syncs_;
    std::vector<std::string> removed_;
    std::vector<Clock::time_point> removedAt_;
    std::vector<std::thread::id> threads_;
    std::vector<int> nices_;
    std::optional<std::string> failure_;
    bool holding_ = false;
};

ZeraZovQueueHousekeeper::Policy policy(std::size_t writesPerSync, std::chrono::milliseconds longestWait) {
    return {writesPerSync, longestWait};
}

TEST(QueueHousekeeperTest, ASyncComesOnceAGroupIsFullOrItsOldestRecordWaitedLongEnough) {
    FakeDisk disk;
    {
        SCOPED_TRACE("a full group");
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(4, 1h));
        for (int i = 0; i < 3; ++i) keeper.written();
        EXPECT_FALSE(disk.waitForSyncs(1, 100ms)) << "synced before the group was full";
        keeper.written();
        EXPECT_TRUE(disk.waitForSyncs(1));
        for (int i = 0; i < 8; ++i) keeper.written();
        EXPECT_TRUE(disk.waitForSyncs(2));
    }
    FakeDisk slow;
    {
        SCOPED_TRACE("a record that waited");
        ZeraZovQueueHousekeeper keeper(slow.syncAction(), slow.removeAction(), policy(64, 200ms));
        const auto written = Clock::now();
        keeper.written();
        ASSERT_TRUE(slow.waitForSyncs(1));
        EXPECT_GE(slow.syncs()[0] - written, 200ms);
        EXPECT_EQ(slow.syncs().size(), 1u);
    }
}

// The disk work is background work: it runs on the worker, at the lowest CPU
// priority, never taking a CPU from the threads that add, read and upload records.
TEST(QueueHousekeeperTest, SyncNowAndShutdownLeaveNothingUnsyncedAndTheWorkerDoesTheWorkAtTheLowestPriority) {
    FakeDisk disk;
    const auto caller = std::this_thread::get_id();
    {
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(64, 1h));
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

TEST(QueueHousekeeperTest, RemovingNeverWaitsForTheDiskButFinishRemovalsDoes) {
    FakeDisk disk;
    ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(64, 1h));
    disk.hold(true);
    const auto asked = Clock::now();
    keeper.remove({"first"});
    keeper.remove({"second", "third"});
    EXPECT_LT(Clock::now() - asked, 1s);
    EXPECT_TRUE(disk.removed().empty());

    std::thread releaser([&] {
        std::this_thread::sleep_for(50ms);
        disk.hold(false);
    });
    keeper.finishRemovals();
    EXPECT_EQ(disk.removed(), (std::vector<std::string>{"first", "second", "third"}));
    releaser.join();
}

// The deletes of a flush wait until its uploads stop asking for more, so they do
// not compete with the reads of its next batches; they then go in one run.
TEST(QueueHousekeeperTest, RemovalsWaitUntilNoneWasAskedForTheSettlingTime) {
    FakeDisk disk;
    ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), {64, 1h, 300ms});
    keeper.remove({"first"});
    std::this_thread::sleep_for(100ms);
    const auto lastAsked = Clock::now();
    keeper.remove({"second"});
    ASSERT_TRUE(disk.waitForRemovals(2));
    EXPECT_EQ(disk.removed(), (std::vector<std::string>{"first", "second"}));
    for (const auto at : disk.removedAt()) EXPECT_GE(at - lastAsked, 300ms);
}

TEST(QueueHousekeeperTest, AFailedSyncIsLogged) {
    FakeDisk disk;
    disk.failSyncsWith("Input/output error");
    zerazov::ZeraZovDebugLog::setEnabled(true);
    platform::LogCapture log;
    {
        ZeraZovQueueHousekeeper keeper(disk.syncAction(), disk.removeAction(), policy(1, 1h));
        keeper.written();
        keeper.syncNow();
    }
    zerazov::ZeraZovDebugLog::setEnabled(false);
    EXPECT_TRUE(log.contains("[ZeraZov] Could not sync the queue's records to disk: Input/output error"));
}

}  // namespace
}  // namespace zerazov_file_queue_tests
