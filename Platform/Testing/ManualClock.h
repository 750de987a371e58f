#pragma once
#include <chrono>
#include <mutex>

#include "Platform/Foundation/Clock.h"

namespace platform {

// A clock for tests: it reads what the test set and moves only when told.
// Safe to read from any thread while the test changes it.
class ManualClock final : public Clock {
public:
    explicit ManualClock(WallTime start = WallTime{});

    WallTime now() const override;
    MonotonicTime monotonicNow() const override;

    // Sets the wall time, backwards too; the monotonic time does not move.
    void setNow(WallTime time);
    // Moves both clocks forward.
    void advance(std::chrono::nanoseconds by);

private:
    mutable std::mutex mutex_;  // guards both times
    WallTime wall_;
    MonotonicTime monotonic_;
};

}  // namespace platform
