#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueHousekeeper.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "Platform/Foundation/ThreadStart.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

// The nice value of the least urgent work.
constexpr int lowestPriority = 19;

// Syncs and removals are background work that mostly waits for the disk; at the
// lowest CPU priority their wake-ups never push aside the threads that add
// records, read and upload them or answer a hot key. Best effort: where the
// thread may not lower its priority it keeps the one it has.
void lowerThisThreadsPriority() {
    // On Linux the nice value belongs to each thread, named by its own id.
    setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), lowestPriority);
}

}  // namespace

ZeraZovQueueHousekeeper::ZeraZovQueueHousekeeper(SyncAction sync, RemoveAction remove, Policy policy,
                                                 const platform::Clock& clock)
    : sync_(std::move(sync)),
      remove_(std::move(remove)),
      policy_(policy),
      clock_(clock),
      worker_(platform::startThread([this] { run(); })) {}

ZeraZovQueueHousekeeper::~ZeraZovQueueHousekeeper() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void ZeraZovQueueHousekeeper::written() {
    bool wake = false;
    {
        std::lock_guard guard(lock_);
        if (written_ == syncStartedAt_) oldestWaiting_ = clock_.monotonicNow();
        ++written_;
        // The worker sleeps until the oldest record's deadline; only a new first
        // record or a full group changes what it waits for.
        wake = written_ - syncStartedAt_ == 1 || written_ - syncStartedAt_ >= policy_.writesPerSync;
    }
    if (wake) wake_.notify_one();
}

void ZeraZovQueueHousekeeper::remove(std::vector<std::string> names) {
    if (names.empty()) return;
    {
        std::lock_guard guard(lock_);
        removalsAsked_ += names.size();
        lastRemovalAsked_ = clock_.monotonicNow();
        removals_.insert(removals_.end(), std::make_move_iterator(names.begin()), std::make_move_iterator(names.end()));
    }
    wake_.notify_one();
}

void ZeraZovQueueHousekeeper::syncNow() {
    std::unique_lock lock(lock_);
    const auto target = written_;
    if (syncedUpTo_ >= target) return;
    syncRequested_ = true;
    wake_.notify_one();
    done_.wait(lock, [&] { return syncedUpTo_ >= target; });
}

void ZeraZovQueueHousekeeper::finishRemovals() {
    std::unique_lock lock(lock_);
    const auto target = removalsAsked_;
    if (removalsDone_ >= target) return;
    removalsRequested_ = true;
    wake_.notify_one();
    done_.wait(lock, [&] { return removalsDone_ >= target; });
}

bool ZeraZovQueueHousekeeper::syncDue(Time now) const {
    const auto waiting = written_ - syncStartedAt_;
    if (waiting == 0) return false;
    return syncRequested_ || stopping_ || waiting >= policy_.writesPerSync ||
           now >= oldestWaiting_ + policy_.longestWait;
}

bool ZeraZovQueueHousekeeper::removalsDue(Time now) const {
    if (removals_.empty()) return false;
    return removalsRequested_ || stopping_ || now >= lastRemovalAsked_ + policy_.removalsSettle;
}

void ZeraZovQueueHousekeeper::run() {
    lowerThisThreadsPriority();
    std::unique_lock lock(lock_);
    for (;;) {
        const auto now = clock_.monotonicNow();
        if (removalsDue(now)) {
            removeTaken(lock);
            continue;
        }
        if (syncDue(now)) {
            syncWaiting(lock);
            continue;
        }
        if (stopping_ && removals_.empty()) return;
        waitForWork(lock);
    }
}

void ZeraZovQueueHousekeeper::waitForWork(std::unique_lock<std::mutex>& lock) {
    if (written_ == syncStartedAt_) syncRequested_ = false;  // a sync already under way covered the request
    if (removals_.empty()) removalsRequested_ = false;
    std::optional<Time> deadline;
    if (written_ != syncStartedAt_) deadline = oldestWaiting_ + policy_.longestWait;
    if (!removals_.empty()) {
        const auto settled = lastRemovalAsked_ + policy_.removalsSettle;
        deadline = deadline ? std::min(*deadline, settled) : settled;
    }
    if (!deadline) {
        wake_.wait(lock);
        return;
    }
    clock_.waitUntil(wake_, lock, *deadline);
}

void ZeraZovQueueHousekeeper::removeTaken(std::unique_lock<std::mutex>& lock) {
    std::vector<std::string> names;
    names.swap(removals_);
    lock.unlock();
    for (const auto& name : names) remove_(name);
    lock.lock();
    removalsDone_ += names.size();
    done_.notify_all();
}

void ZeraZovQueueHousekeeper::syncWaiting(std::unique_lock<std::mutex>& lock) {
    const auto upTo = written_;
    syncStartedAt_ = upTo;
    syncRequested_ = false;
    lock.unlock();
    const auto error = sync_();
    if (error) ZeraZovDebugLog::write("Could not sync the queue's records to disk: " + *error);
    lock.lock();
    syncedUpTo_ = upTo;
    done_.notify_all();
}

}  // namespace zerazov
