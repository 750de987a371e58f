#include "ZeraZov/Delivery/FlushQueue/RateCap.h"

#include <chrono>

#include "Platform/Foundation/NumberFormat.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace zerazov {

RateCap::RateCap(std::int64_t max, double windowSeconds, const platform::Clock& clock)
    : max_(max), windowSeconds_(windowSeconds), clock_(clock) {}

bool RateCap::admit() {
    if (max_ <= 0) return true;
    {
        std::lock_guard guard(rateCapLock_);
        rollWindow(clock_.now());
        if (count_ < max_) {
            ++count_;
            return true;
        }
    }
    warnOnce();
    return false;
}

void RateCap::rollWindow(platform::Clock::WallTime now) {
    if (windowStart_) {
        const std::chrono::duration<double> elapsed = now - *windowStart_;
        // A start in the future means the clock was set back: open a new window
        // rather than refusing records until the clock catches up.
        if (elapsed.count() >= 0 && elapsed.count() < windowSeconds_) return;
    }
    windowStart_ = now;
    count_ = 0;
    dropWarned_ = false;
}

void RateCap::warnOnce() {
    {
        std::lock_guard guard(rateCapLock_);
        if (dropWarned_) return;
        dropWarned_ = true;
    }
    ZeraZovDebugLog::write("Queue rate cap exceeded (" + std::to_string(max_) + " per " +
                           platform::formatDouble(windowSeconds_) + "s), dropping records this window");
}

}  // namespace zerazov
