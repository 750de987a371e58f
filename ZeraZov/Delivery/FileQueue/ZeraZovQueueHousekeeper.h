#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Failure.h"

namespace zerazov {

// The slow file work of a record queue, done on a thread of its own so that the
// thread that adds records (the hot-key path) and the one that ends uploads never
// wait for the disk. Two jobs:
// - Syncs. A new record is whole on disk as soon as its rename returned, which a
//   killed process cannot undo; only a power cut can still take it. Records are
//   brought to the disk in groups: one sync as soon as `writesPerSync` records
//   wait, or when the oldest waiting one has waited `longestWait`, so a power cut
//   takes at most that much. syncNow() and the destructor sync what waits.
// - Removals. Records whose upload ended leave the folder here, after the queue has
//   already forgotten them; one that survives a crash is sent again under the
//   same id. They wait until no removal was asked for `removalsSettle`, so that
//   the removals of a flush (slow on a disk that discards freed blocks) do not stand
//   in the way of the reads of the flush's next batches.
// The worker runs at the lowest CPU priority. Its waits are measured on the
// given clock's monotonic time.
class ZeraZovQueueHousekeeper {
public:
    struct Policy {
        std::size_t writesPerSync = 64;
        std::chrono::milliseconds longestWait{1000};
        std::chrono::milliseconds removalsSettle{50};
    };
    // Answers the error's text on failure.
    using SyncAction = std::function<platform::Failure()>;
    using RemoveAction = std::function<void(const std::string& name)>;

    // The clock outlives the housekeeper.
    ZeraZovQueueHousekeeper(SyncAction sync, RemoveAction remove, Policy policy,
                            const platform::Clock& clock = platform::SystemClock::shared());
    // Removes what waits for removal and syncs what waits for a sync, then stops.
    ~ZeraZovQueueHousekeeper();
    ZeraZovQueueHousekeeper(const ZeraZovQueueHousekeeper&) = delete;
    ZeraZovQueueHousekeeper& operator=(const ZeraZovQueueHousekeeper&) = delete;

    // One more record was written and waits for a sync. Never waits itself.
    void written();
    // Deletes the records later, in this order. Never waits.
    void remove(std::vector<std::string> names);

    // Returns once every record written before the call is synced.
    void syncNow();
    // Returns once every removal asked for before the call is done.
    void finishRemovals();

private:
    using Time = platform::Clock::MonotonicTime;

    void run();
    // Called with the lock held; answers whether a sync is due now.
    bool syncDue(Time now) const;
    // Called with the lock held; answers whether the waiting removals are due now.
    bool removalsDue(Time now) const;
    // Called with the lock held: sleeps until there may be work.
    void waitForWork(std::unique_lock<std::mutex>& lock);
    void removeTaken(std::unique_lock<std::mutex>& lock);
    void syncWaiting(std::unique_lock<std::mutex>& lock);

    const SyncAction sync_;
    const RemoveAction remove_;
    const Policy policy_;
    const platform::Clock& clock_;

    std::mutex lock_;                  // guards every field below
    std::condition_variable wake_;     // the worker's: there is work, or it is to stop
    std::condition_variable done_;     // the waiters': a removal or a sync finished
    std::uint64_t written_ = 0;        // records written so far
    std::uint64_t syncStartedAt_ = 0;  // written_ when the last sync started
    std::uint64_t syncedUpTo_ = 0;     // written_ when the last finished sync started
    Time oldestWaiting_;               // when the first record after that start was written
    bool syncRequested_ = false;
    std::vector<std::string> removals_;
    std::uint64_t removalsAsked_ = 0;
    std::uint64_t removalsDone_ = 0;
    Time lastRemovalAsked_;
    bool removalsRequested_ = false;
    bool stopping_ = false;

    std::thread worker_;  // last: starts once every field above is ready
};

}  // namespace zerazov
