#include "Platform/Foundation/Clock.h"

namespace platform {

Clock::WallTime SystemClock::now() const { return std::chrono::system_clock::now(); }

Clock::MonotonicTime SystemClock::monotonicNow() const { return std::chrono::steady_clock::now(); }

void SystemClock::waitUntil(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                            MonotonicTime deadline) const {
    wake.wait_until(lock, deadline);
}

const SystemClock& SystemClock::shared() {
    static const SystemClock clock;
    return clock;
}

}  // namespace platform
