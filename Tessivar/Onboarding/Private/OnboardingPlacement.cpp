#include "Tessivar/Onboarding/Private/OnboardingPlacement.h"

#include <algorithm>

#include "Platform/Desktop/CoordinateSpace.h"

namespace tessivar {

namespace {
const OnboardingPlacement::Display* chosen(const std::vector<OnboardingPlacement::Display>& displays,
                                           std::optional<std::size_t> main, platform::Point mouse) {
    for (const auto& display : displays) {
        if (platform::CoordinateSpace::contains(display.frame, mouse)) return &display;
    }
    if (main && *main < displays.size()) return &displays[*main];
    return displays.empty() ? nullptr : &displays.front();
}
}  // namespace

std::optional<platform::Rect> OnboardingPlacement::frame(const std::vector<Display>& displays,
                                                         std::optional<std::size_t> main, platform::Point mouse,
                                                         platform::Size window) {
    const Display* display = chosen(displays, main, mouse);
    if (!display) return std::nullopt;
    const platform::Rect& visible = display->visibleFrame;
    // No larger than the area, so the header (the handle to move it) and the
    // bottom bar with its buttons (the only way on or out) are always on it.
    const platform::Size size{std::min(window.width, visible.size.width), std::min(window.height, visible.size.height)};
    return platform::Rect{{(visible.size.width - size.width) * 0.5 + visible.minX(),
                           (visible.size.height - size.height) * 0.5 + visible.minY()},
                          size};
}

}  // namespace tessivar
