#pragma once
#include <functional>

#include "Hotkeys/Name.h"

namespace tessivar {

// Registers a key-down handler for a named global shortcut.
class HotkeyRegistry {
public:
    virtual ~HotkeyRegistry() = default;
    virtual void onKeyDown(const Hotkeys::Name& name, std::function<void()> action) = 0;
};

// The shortcut package's own registry.
class HotkeysFacadeRegistry : public HotkeyRegistry {
public:
    void onKeyDown(const Hotkeys::Name& name, std::function<void()> action) override;
};

// Rebuilds the status item and its menu from the current displays and shortcuts.
class StatusMenu {
public:
    virtual ~StatusMenu() = default;
    virtual void rebuild() = 0;
};

// The application's windows: the first-run onboarding and the settings.
class AppWindows {
public:
    virtual ~AppWindows() = default;
    virtual void showOnboarding() = 0;
    virtual void showSettings() = 0;
};

}  // namespace tessivar
