#pragma once
#include <functional>

#include "Platform/HotKeys/HotKeyService.h"

namespace platform {

// While one of the application's menus is open the window system gives the
// keyboard to that menu and the hot keys do not fire; this monitor sees the
// menu's key events instead, as raw key events (kEventRawKeyDown and
// kEventRawKeyUp with Carbon key code and modifiers).
class MenuKeyMonitor {
public:
    // Answers true when it consumed the event, so the menu must not see it.
    using Callback = std::function<bool(const KeyboardEvent& event)>;

    virtual ~MenuKeyMonitor() = default;
    virtual void setCallback(Callback callback) = 0;
    virtual void start() = 0;
    virtual void stop() = 0;
};

// Posted on the default notification center when one of the application's
// menus opens and closes.
inline constexpr const char* kMenuDidBeginTrackingNotification = "MenuDidBeginTrackingNotification";
inline constexpr const char* kMenuDidEndTrackingNotification = "MenuDidEndTrackingNotification";

}  // namespace platform
