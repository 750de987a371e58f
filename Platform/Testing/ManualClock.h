#pragma once
#include <chrono>
#include <mutex>
#include <vector>

#include "Platform/Foundation/Clock.h"

namespace platform {

// A clock for tests: it reads what the test set and moves only when told.
// Safe to read from any thread while the test changes it. A thread waiting
// on it for a deadline wakes each time the clock moves forward; what it waits
// with must outlive each advance() that may find it waiting.
class ManualClock final : public Clock {
public:
    explicit ManualClock(WallTime start = WallTime{});

    WallTime now() const override;
    MonotonicTime monotonicNow() const override;
    void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                   MonotonicTime deadline) const override;

    // Sets the wall time, backwards too; the monotonic time does not move.
    void setNow(WallTime time);
    // Moves both clocks forward.
    void advance(std::chrono::nanoseconds by);

private:
    struct Waiter {
        std::mutex* lock;
        std::condition_variable* wake;
    };

    mutable std::mutex mutex_;  // guards both times and the waiters
    WallTime wall_;
    MonotonicTime monotonic_;
    mutable std::vector<Waiter> waiters_;
};

}  // namespace platform
