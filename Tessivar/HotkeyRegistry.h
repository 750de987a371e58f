#pragma once
#include <functional>

#include "Hotkeys/Name.h"

namespace tessivar {

// Registers a key-down handler for a named global shortcut.
class HotkeyRegistry {
public:
    virtual ~HotkeyRegistry() = default;
    virtual void onKeyDown(const hotkeys::Name& name, std::function<void()> action) = 0;
};

}  // namespace tessivar
