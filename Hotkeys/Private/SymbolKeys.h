#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace hotkeys {

// The keys that type no printable character and are shown by a symbol of their
// own instead of through the keyboard layout.
enum class SpecialKey {
    return_,
    delete_,
    deleteForward,
    end,
    escape,
    help,
    home,
    space,
    tab,
    pageUp,
    pageDown,
    upArrow,
    rightArrow,
    downArrow,
    leftArrow,
    f1,
    f2,
    f3,
    f4,
    f5,
    f6,
    f7,
    f8,
    f9,
    f10,
    f11,
    f12,
    f13,
    f14,
    f15,
    f16,
    f17,
    f18,
    f19,
    f20,
    keypad0,
    keypad1,
    keypad2,
    keypad3,
    keypad4,
    keypad5,
    keypad6,
    keypad7,
    keypad8,
    keypad9,
    keypadClear,
    keypadDecimal,
    keypadDivide,
    keypadEnter,
    keypadEquals,
    keypadMinus,
    keypadMultiply,
    keypadPlus,
};

// Every special key by its Carbon key code; built once, on first use.
const std::unordered_map<std::int64_t, SpecialKey>& specialKeyCodeMap();
std::optional<SpecialKey> specialKey(std::int64_t keyCode);

std::int64_t keyCode(SpecialKey key);
// The symbol shown for the key ("↩", "F1", "5⃣"); the space key shows the
// localized "space_key" text, capitalized.
std::string presentableDescription(SpecialKey key);
// What a menu item bound to the key uses; the keypad keys have none.
std::optional<std::string> keyEquivalent(SpecialKey key);

}  // namespace hotkeys
