#include "Tessivar/Effects/LocatingEffectPlayer.h"

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/MainQueue.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/OverlayPresenter.h"

namespace tessivar {

namespace {
constexpr double kFollowInterval = 1.0 / 120.0;
// Without any display to ask, the picture is drawn for a dense one.
constexpr double kFallbackScale = 2.0;

// One effect on the screen, ended by whichever comes first: its last frame
// shown or its time limit. It only watches the window, so the view that
// reports the end does not hold the window it sits in.
struct Showing {
    std::weak_ptr<platform::OverlayWindow> window;
    std::shared_ptr<platform::RepeatingTimer> follow;

    void end() const {
        if (follow) follow->invalidate();
        if (auto overlay = window.lock()) overlay->orderOut();
    }
};
}  // namespace

// The target display's density, or the primary's when the index no longer
// names a display.
double LocatingEffectPlayer::backingScaleFor(int screenIndex) const {
    const auto screens = services_.desktop.screens();
    if (screenIndex >= 0 && static_cast<std::size_t>(screenIndex) < screens.size()) {
        return screens[static_cast<std::size_t>(screenIndex)].backingScaleFactor;
    }
    return screens.empty() ? kFallbackScale : screens.front().backingScaleFactor;
}

void LocatingEffectPlayer::show(int screenIndex, platform::Point globalPoint) {
    const auto type = AppDefaults::effectType(services_.defaults);
    appLog("💥 触发定位动画，类型为: " + type + "，屏幕: " + std::to_string(screenIndex));
    if (type == "off") return;

    const auto effect = type == "scale" ? LocatingEffect::cursorScale : LocatingEffect::ring;
    const bool scale = effect == LocatingEffect::cursorScale;
    if (scale) {
        services_.cursorHiding.hide();
        services_.cursorHiding.scheduleRestore(kCursorRestoreDelay);
    }
    const auto frame = platform::CoordinateSpace::centredFrame(globalPoint, {kOverlaySide, kOverlaySide});
    auto showing = std::make_shared<Showing>();
    auto window =
        services_.overlays.present(frame, effect, backingScaleFor(screenIndex), [showing] { showing->end(); });
    showing->window = window;
    if (scale) showing->follow = follow(window);
    // The time limit owns the window until it runs.
    services_.mainQueue.asyncAfter(kEffectTimeLimit, [window, showing] { showing->end(); });
}

std::shared_ptr<platform::RepeatingTimer> LocatingEffectPlayer::follow(
    const std::shared_ptr<platform::OverlayWindow>& window) {
    std::weak_ptr<platform::OverlayWindow> weakWindow = window;
    platform::Desktop& desktop = services_.desktop;
    return services_.mainQueue.scheduleRepeating(
        kFollowInterval, [weakWindow, &desktop](platform::RepeatingTimer& timer) {
            // An overlay that went away, or whose window a newer effect took, has nothing left to follow.
            auto overlay = weakWindow.lock();
            if (!overlay || !overlay->isVisible()) {
                timer.invalidate();
                return;
            }
            const auto mouse = desktop.mouseLocation();
            overlay->setFrameOrigin({mouse.x - kOverlaySide * 0.5, mouse.y - kOverlaySide * 0.5});
        });
}

}  // namespace tessivar
