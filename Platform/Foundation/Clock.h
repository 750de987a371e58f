#pragma once
#include <chrono>

namespace platform {

// The time as the code that asks for it sees it, so that tests can set it.
class Clock {
public:
    using WallTime = std::chrono::system_clock::time_point;
    using MonotonicTime = std::chrono::steady_clock::time_point;

    virtual ~Clock() = default;
    // Wall time; may jump backwards when the user or NTP sets the clock.
    virtual WallTime now() const = 0;
    // Never goes backwards; for measuring intervals.
    virtual MonotonicTime monotonicNow() const = 0;
};

// The operating system's clocks.
class SystemClock final : public Clock {
public:
    WallTime now() const override;
    MonotonicTime monotonicNow() const override;

    // One instance for the whole process.
    static const SystemClock& shared();
};

}  // namespace platform
