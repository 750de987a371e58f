// The locating effect that marks where the pointer landed.
#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/MainQueue.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/OverlayPresenter.h"
#include "Tessivar/TessivarApp.h"

namespace tessivar {

namespace {
constexpr double kOverlaySide = 200;
constexpr double kCursorScaleDuration = 0.4;
constexpr double kRingDuration = 0.32;
constexpr double kCursorRestoreDelay = 0.35;
constexpr double kFollowInterval = 1.0 / 120.0;
constexpr double kFallbackScale = 2.0;

// The cursor image is drawn for the target display's density, or the primary's
// when the index no longer names a display.
double backingScaleFor(const std::vector<platform::Screen>& screens, int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < screens.size()) {
        return screens[static_cast<std::size_t>(index)].backingScaleFactor;
    }
    return screens.empty() ? kFallbackScale : screens.front().backingScaleFactor;
}
}  // namespace

void TessivarApp::showLocatingEffect(int screenIndex, platform::Point globalPoint) {
    const auto type = AppDefaults::effectType(env_.defaults);
    log("💥 触发定位动画，类型为: " + type + "，屏幕: " + std::to_string(screenIndex));
    if (type == "off") return;

    const auto frame = platform::CoordinateSpace::centredFrame(globalPoint, {kOverlaySide, kOverlaySide});
    const auto effect = type == "scale" ? LocatingEffect::cursorScale : LocatingEffect::ring;
    const bool scale = effect == LocatingEffect::cursorScale;
    if (scale) {
        hideHardwareCursor();
        scheduleCursorRestore(kCursorRestoreDelay);
    }
    auto window = env_.overlays.present(frame, effect, backingScaleFor(env_.desktop.screens(), screenIndex));
    auto timer = std::make_shared<std::shared_ptr<platform::RepeatingTimer>>();
    if (scale) startFollowingPointer(window, timer);
    // The removal job owns the window until it runs; the follow timer only watches it.
    env_.mainQueue.asyncAfter(scale ? kCursorScaleDuration : kRingDuration, [window, timer] {
        if (*timer) (*timer)->invalidate();
        if (window) window->orderOut();
    });
}

void TessivarApp::startFollowingPointer(const std::shared_ptr<platform::OverlayWindow>& window,
                                        const std::shared_ptr<std::shared_ptr<platform::RepeatingTimer>>& holder) {
    std::weak_ptr<platform::OverlayWindow> weakWindow = window;
    platform::Desktop& desktop = env_.desktop;
    *holder = env_.mainQueue.scheduleRepeating(kFollowInterval, [weakWindow, &desktop](platform::RepeatingTimer& timer) {
        auto overlay = weakWindow.lock();
        if (!overlay) {
            timer.invalidate();
            return;
        }
        const auto mouse = desktop.mouseLocation();
        overlay->setFrameOrigin({mouse.x - kOverlaySide * 0.5, mouse.y - kOverlaySide * 0.5});
    });
}

}  // namespace tessivar
