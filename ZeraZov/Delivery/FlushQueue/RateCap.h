#pragma once
#include <cstdint>
#include <mutex>
#include <optional>

#include "Platform/Foundation/Clock.h"

namespace zerazov {

// Bounds how many records a queue accepts per time window, before any encoding or
// disk work is spent on them. A maximum of 0 or less turns the cap off.
class RateCap {
public:
    RateCap(std::int64_t max, double windowSeconds, const platform::Clock& clock);

    // True when the record may be queued. The first refusal in a window logs the
    // drop warning; later ones in the same window stay quiet.
    bool admit();

private:
    void rollWindow(platform::Clock::WallTime now);
    void warnOnce();

    const std::int64_t max_;
    const double windowSeconds_;
    const platform::Clock& clock_;

    std::mutex rateCapLock_;  // guards the window fields below
    std::optional<platform::Clock::WallTime> windowStart_;
    std::int64_t count_ = 0;
    bool dropWarned_ = false;
};

}  // namespace zerazov
