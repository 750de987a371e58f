#include "Tessivar/Onboarding/Private/OnboardingPlacement.h"

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
    // Too low for the window, the area keeps its bottom bar, whose buttons are
    // the only way on or out: the header overhangs above instead, and the
    // window stays off the panel below.
    const double y = visible.size.height < window.height ? visible.minY()
                                                         : (visible.size.height - window.height) * 0.5 + visible.minY();
    return platform::Rect{{(visible.size.width - window.width) * 0.5 + visible.minX(), y}, window};
}

}  // namespace tessivar
