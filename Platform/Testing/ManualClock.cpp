#include "Platform/Testing/ManualClock.h"

#include <algorithm>

namespace platform {

ManualClock::ManualClock(WallTime start) : wall_(start) {}

Clock::WallTime ManualClock::now() const {
    std::lock_guard lock(mutex_);
    return wall_;
}

Clock::MonotonicTime ManualClock::monotonicNow() const {
    std::lock_guard lock(mutex_);
    return monotonic_;
}

void ManualClock::setNow(WallTime time) {
    std::lock_guard lock(mutex_);
    wall_ = time;
}

// The waiter is listed under the clock's lock, still holding its own; so a move
// either comes before its look at the time or finds it listed, and then takes
// the waiter's lock, which frees only once the waiter sleeps: no wake is lost.
void ManualClock::waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                            MonotonicTime deadline) const {
    {
        std::lock_guard guard(mutex_);
        if (monotonic_ >= deadline) return;
        waiters_.push_back({lock.mutex(), &wake});
    }
    wake.wait(lock);
    std::lock_guard guard(mutex_);
    const auto self =
        std::find_if(waiters_.begin(), waiters_.end(), [&](const Waiter& waiter) { return waiter.wake == &wake; });
    if (self != waiters_.end()) waiters_.erase(self);
}

void ManualClock::advance(std::chrono::nanoseconds by) {
    std::vector<Waiter> waiting;
    {
        std::lock_guard lock(mutex_);
        wall_ += std::chrono::duration_cast<WallTime::duration>(by);
        monotonic_ += std::chrono::duration_cast<MonotonicTime::duration>(by);
        waiting = waiters_;
    }
    for (const Waiter& waiter : waiting) {
        std::lock_guard lock(*waiter.lock);
        waiter.wake->notify_all();
    }
}

}  // namespace platform
