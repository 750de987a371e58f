#include "ZeraZov/Delivery/FlushQueue/Private/QueuePauseDescription.h"

#include <ctime>

namespace zerazov {

std::optional<std::string> queuePauseDescription(bool paused, std::optional<platform::Clock::WallTime> pausedUntil,
                                                 platform::Clock::WallTime now) {
    if (paused) return "paused due to the reachability check";
    if (!pausedUntil || *pausedUntil <= now) return std::nullopt;
    const std::time_t seconds = platform::Clock::WallTime::clock::to_time_t(*pausedUntil);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return std::string("paused until `") + text + "`";
}

}  // namespace zerazov
