#pragma once
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/HotKeys/KeyboardLayout.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace tessivar::testing {

// A shortcut registry for code that only describes shortcuts: it sees the given
// keyboard layout (or none), keeps its settings in a temporary folder and posts
// to a notification center of its own, and has no hot-key service. Installed
// while it lives. Header only, so that programs without an X server can use it.
class ScratchHotkeysRegistry {
public:
    explicit ScratchHotkeysRegistry(platform::KeyboardLayout* layout)
        : registry_({defaults_, notifications_, nullptr, nullptr, layout, nullptr}) {}

private:
    platform::TemporaryDirectory directory_;
    platform::UserDefaults defaults_{directory_.path() / "defaults.json"};
    platform::NotificationCenter notifications_;
    hotkeys::Registry registry_;
};

}  // namespace tessivar::testing
