#include "Platform/Testing/ManualClock.h"

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

void ManualClock::advance(std::chrono::nanoseconds by) {
    std::lock_guard lock(mutex_);
    wall_ += std::chrono::duration_cast<WallTime::duration>(by);
    monotonic_ += std::chrono::duration_cast<MonotonicTime::duration>(by);
}

}  // namespace platform
