#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

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
    // Waits on `wake`, `lock` held as std::condition_variable wants it, until
    // `wake` is notified or the monotonic time reaches `deadline`. It may return
    // earlier, so the caller checks again what it waits for.
    virtual void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                           MonotonicTime deadline) const = 0;
};

// The operating system's clocks.
class SystemClock final : public Clock {
public:
    WallTime now() const override { return std::chrono::system_clock::now(); }
    MonotonicTime monotonicNow() const override { return std::chrono::steady_clock::now(); }
    void waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                   MonotonicTime deadline) const override {
        wake.wait_until(lock, deadline);
    }

    // One instance for the whole process.
    static const SystemClock& shared() {
        static const SystemClock clock;
        return clock;
    }
};

}  // namespace platform
