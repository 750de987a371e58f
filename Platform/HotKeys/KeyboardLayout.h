#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The user's current keyboard layout, read afresh on every call so that a
// change of layout shows at once.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;
    // The one character (UTF-8) that the key with this Carbon virtual key code
    // types on the current ASCII-capable layout without modifiers; a dead key
    // gives its spacing character. Nothing when there is no layout, the key is
    // unknown, or it types no single character.
    virtual std::optional<std::string> character(std::uint16_t carbonKeyCode) = 0;
};

}  // namespace platform
