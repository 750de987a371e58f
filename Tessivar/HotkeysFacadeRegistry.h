#pragma once
#include "Tessivar/HotkeyRegistry.h"

namespace hotkeys {
class Registry;
}  // namespace hotkeys

namespace tessivar {

// The shortcut package's registry that the program made.
class HotkeysFacadeRegistry : public HotkeyRegistry {
public:
    explicit HotkeysFacadeRegistry(hotkeys::Registry& registry) : registry_(registry) {}
    void onKeyDown(const hotkeys::Name& name, std::function<void()> action) override;

private:
    hotkeys::Registry& registry_;
};

}  // namespace tessivar
