#pragma once
#include <functional>

#include "Hotkeys/Name.h"

namespace hotkeys {
class Registry;
}  // namespace hotkeys

namespace tessivar {

// Registers a key-down handler for a named global shortcut.
class HotkeyRegistry {
public:
    virtual ~HotkeyRegistry() = default;
    virtual void onKeyDown(const hotkeys::Name& name, std::function<void()> action) = 0;
};

// The shortcut package's registry that the program made.
class HotkeysFacadeRegistry : public HotkeyRegistry {
public:
    explicit HotkeysFacadeRegistry(hotkeys::Registry& registry) : registry_(registry) {}
    void onKeyDown(const hotkeys::Name& name, std::function<void()> action) override;

private:
    hotkeys::Registry& registry_;
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
