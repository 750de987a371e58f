#pragma once
#include <cstdint>
#include <functional>

namespace hotkeys {

// A physical key by its Carbon virtual key code (layout independent). Any
// integer makes a key; the named constants are the keys the package knows.
struct Key {
    std::int64_t rawValue = 0;

    // a ... z, zero ... nine, the modifier keys, punctuation, navigation, f1 ... f20,
    // keypad keys: 113 constants in all, defined in Key.cpp (e.g. Key::one is 18).
    static const Key a, b, c, d, e, f, g, h, i, j, k, l, m, n, o, p, q, r, s, t, u, v, w, x, y, z;
    static const Key zero, one, two, three, four, five, six, seven, eight, nine;
    static const Key capsLock, shift, function, control, option, command, rightCommand, rightOption, rightControl,
        rightShift;
    static const Key return_, backslash, backtick, comma, equal, minus, period, quote, semicolon, slash, space, tab,
        leftBracket, rightBracket;
    static const Key pageUp, pageDown, home, end, upArrow, rightArrow, downArrow, leftArrow, escape, delete_,
        deleteForward, help, mute, volumeUp, volumeDown;
    static const Key f1, f2, f3, f4, f5, f6, f7, f8, f9, f10, f11, f12, f13, f14, f15, f16, f17, f18, f19, f20;
    static const Key keypad0, keypad1, keypad2, keypad3, keypad4, keypad5, keypad6, keypad7, keypad8, keypad9,
        keypadClear, keypadDecimal, keypadDivide, keypadEnter, keypadEquals, keypadMinus, keypadMultiply, keypadPlus;

    friend bool operator==(const Key&, const Key&) = default;
};

}  // namespace hotkeys
