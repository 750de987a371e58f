#include "Hotkeys/Private/SymbolKeys.h"

#include <array>

#include "Hotkeys/Key.h"
#include "Hotkeys/Private/Capitalization.h"
#include "Hotkeys/Private/LocalizedStrings.h"

namespace hotkeys {

namespace {

struct Row {
    SpecialKey key;
    Key code;
    const char* symbol;         // nullptr: the localized text of the space key
    const char* keyEquivalent;  // nullptr: none
};

// Built on first use: the Key constants live in another file.
const std::array<Row, 53>& rows() {
    static const std::array<Row, 53> table{{
        {SpecialKey::return_, Key::return_, "↩", "↩"},
        {SpecialKey::delete_, Key::delete_, "⌫", "⌫"},
        {SpecialKey::deleteForward, Key::deleteForward, "⌦", "⌦"},
        {SpecialKey::end, Key::end, "↘", "↘"},
        {SpecialKey::escape, Key::escape, "⎋", "⎋"},
        {SpecialKey::help, Key::help, "?\u20DD", "?\u20DD"},
        {SpecialKey::home, Key::home, "↖", "↖"},
        {SpecialKey::space, Key::space, nullptr, " "},
        {SpecialKey::tab, Key::tab, "⇥", "⇥"},
        {SpecialKey::pageUp, Key::pageUp, "⇞", "⇞"},
        {SpecialKey::pageDown, Key::pageDown, "⇟", "⇟"},
        {SpecialKey::upArrow, Key::upArrow, "↑", "↑"},
        {SpecialKey::rightArrow, Key::rightArrow, "→", "→"},
        {SpecialKey::downArrow, Key::downArrow, "↓", "↓"},
        {SpecialKey::leftArrow, Key::leftArrow, "←", "←"},
        // Function keys use the private-use characters menus know them by.
        {SpecialKey::f1, Key::f1, "F1", "\uF704"},
        {SpecialKey::f2, Key::f2, "F2", "\uF705"},
        {SpecialKey::f3, Key::f3, "F3", "\uF706"},
        {SpecialKey::f4, Key::f4, "F4", "\uF707"},
        {SpecialKey::f5, Key::f5, "F5", "\uF708"},
        {SpecialKey::f6, Key::f6, "F6", "\uF709"},
        {SpecialKey::f7, Key::f7, "F7", "\uF70A"},
        {SpecialKey::f8, Key::f8, "F8", "\uF70B"},
        {SpecialKey::f9, Key::f9, "F9", "\uF70C"},
        {SpecialKey::f10, Key::f10, "F10", "\uF70D"},
        {SpecialKey::f11, Key::f11, "F11", "\uF70E"},
        {SpecialKey::f12, Key::f12, "F12", "\uF70F"},
        {SpecialKey::f13, Key::f13, "F13", "\uF710"},
        {SpecialKey::f14, Key::f14, "F14", "\uF711"},
        {SpecialKey::f15, Key::f15, "F15", "\uF712"},
        {SpecialKey::f16, Key::f16, "F16", "\uF713"},
        {SpecialKey::f17, Key::f17, "F17", "\uF714"},
        {SpecialKey::f18, Key::f18, "F18", "\uF715"},
        {SpecialKey::f19, Key::f19, "F19", "\uF716"},
        {SpecialKey::f20, Key::f20, "F20", "\uF717"},
        // Keypad keys read "Num" before their face, apart from the main keys,
        // in letters every font has (a keycap mark is drawn only by an emoji
        // font, which most desktops lack); a menu cannot tell them apart, so
        // they have no key equivalent.
        {SpecialKey::keypad0, Key::keypad0, "Num0", nullptr},
        {SpecialKey::keypad1, Key::keypad1, "Num1", nullptr},
        {SpecialKey::keypad2, Key::keypad2, "Num2", nullptr},
        {SpecialKey::keypad3, Key::keypad3, "Num3", nullptr},
        {SpecialKey::keypad4, Key::keypad4, "Num4", nullptr},
        {SpecialKey::keypad5, Key::keypad5, "Num5", nullptr},
        {SpecialKey::keypad6, Key::keypad6, "Num6", nullptr},
        {SpecialKey::keypad7, Key::keypad7, "Num7", nullptr},
        {SpecialKey::keypad8, Key::keypad8, "Num8", nullptr},
        {SpecialKey::keypad9, Key::keypad9, "Num9", nullptr},
        {SpecialKey::keypadClear, Key::keypadClear, "Num☒", nullptr},
        {SpecialKey::keypadDecimal, Key::keypadDecimal, "Num.", nullptr},
        {SpecialKey::keypadDivide, Key::keypadDivide, "Num/", nullptr},
        {SpecialKey::keypadEnter, Key::keypadEnter, "Num↩", nullptr},
        {SpecialKey::keypadEquals, Key::keypadEquals, "Num=", nullptr},
        {SpecialKey::keypadMinus, Key::keypadMinus, "Num-", nullptr},
        {SpecialKey::keypadMultiply, Key::keypadMultiply, "Num*", nullptr},
        {SpecialKey::keypadPlus, Key::keypadPlus, "Num+", nullptr},
    }};
    return table;
}

// The table lists the cases in declaration order.
const Row& row(SpecialKey key) { return rows()[static_cast<std::size_t>(key)]; }

}  // namespace

const std::unordered_map<std::int64_t, SpecialKey>& specialKeyCodeMap() {
    static const auto map = [] {
        std::unordered_map<std::int64_t, SpecialKey> byCode;
        for (const Row& r : rows()) byCode.emplace(r.code.rawValue, r.key);
        return byCode;
    }();
    return map;
}

std::optional<SpecialKey> specialKey(std::int64_t keyCode) {
    const auto& map = specialKeyCodeMap();
    const auto it = map.find(keyCode);
    if (it == map.end()) return std::nullopt;
    return it->second;
}

std::int64_t keyCode(SpecialKey key) { return row(key).code.rawValue; }

std::string presentableDescription(SpecialKey key) {
    const Row& r = row(key);
    if (!r.symbol) return capitalized(localizedString("space_key"));
    return r.symbol;
}

std::optional<std::string> keyEquivalent(SpecialKey key) {
    const Row& r = row(key);
    if (!r.keyEquivalent) return std::nullopt;
    return r.keyEquivalent;
}

}  // namespace hotkeys
