#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/Desktop/Geometry.h"

namespace platform {

using DisplayID = std::uint32_t;

// One display as the desktop reports it, in system order (primary first).
struct Screen {
    std::optional<DisplayID> displayID;  // absent when the system gives none
    std::string localizedName;
    Rect frame;  // global coordinates
    double backingScaleFactor = 1.0;
};

}  // namespace platform
