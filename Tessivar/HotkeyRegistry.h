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

}  // namespace tessivar
