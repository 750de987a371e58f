#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "Hotkeys/Shortcut.h"

namespace platform {
class KeyboardLayout;
}

namespace hotkeys {

// Reads key bindings as desktops store them ("<Super><Shift>Left", "<Primary>q",
// "<Alt>F4") into shortcuts. Named keys (arrows, function keys, the keypad) are
// physical keys; a character key is the key that types that character on the
// current layout, as the desktop resolves it. Super is Command and Alt is
// Option, as the hot keys take them.
class AcceleratorReader {
public:
    // Reads which key types which character once, from `layout` (may be null:
    // then only named keys are read).
    explicit AcceleratorReader(platform::KeyboardLayout* layout);

    // Nothing for an empty or "disabled" binding, a key this keyboard has no
    // Carbon code for, or a modifier the hot keys cannot hold (Meta, Hyper).
    std::optional<Shortcut> read(std::string_view accelerator) const;

private:
    std::optional<std::int64_t> keyCode(const std::string& keyName) const;

    std::map<std::string, std::int64_t> keyForCharacter_;
};

}  // namespace hotkeys
