#pragma once
#include <optional>
#include <vector>

#include "Platform/Desktop/Geometry.h"

namespace tessivar {

// Where the onboarding window goes: centred in the visible area of the display
// under the pointer, in global coordinates (origin bottom-left of the primary
// display, y up).
struct OnboardingPlacement {
    struct Display {
        platform::Rect frame;
        platform::Rect visibleFrame;  // without panels and docks
    };

    // The window's frame: the onboarding's own size, cut to the visible area
    // where that is smaller. The display is the first whose frame holds the
    // pointer (its top edge counts as on it, its bottom edge as on the display
    // below), else the main display, else the first; none without displays.
    static std::optional<platform::Rect> frame(const std::vector<Display>& displays, std::optional<std::size_t> main,
                                               platform::Point mouse, platform::Size window);
};

}  // namespace tessivar
