#include "Platform/Foundation/Clock.h"

namespace platform {

Clock::WallTime SystemClock::now() const { return std::chrono::system_clock::now(); }

Clock::MonotonicTime SystemClock::monotonicNow() const { return std::chrono::steady_clock::now(); }

const SystemClock& SystemClock::shared() {
    static const SystemClock clock;
    return clock;
}

}  // namespace platform
