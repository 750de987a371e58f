#pragma once
#include <optional>
#include <string>

#include "Platform/Foundation/Clock.h"

namespace zerazov {

// Why a queue may not flush now, or nothing when it may: `paused` (network or data
// mode) wins over a back-off pause; a back-off that has run out no longer counts.
std::optional<std::string> queuePauseDescription(bool paused, std::optional<platform::Clock::WallTime> pausedUntil,
                                                 platform::Clock::WallTime now);

}  // namespace zerazov
