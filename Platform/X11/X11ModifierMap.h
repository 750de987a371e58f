#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include "Platform/HotKeys/ModifierMasks.h"

struct _XDisplay;

namespace platform {

// Where the server keeps each modifier. X has eight modifier bits; Shift, Lock
// and Control are fixed, while Alt, Super, NumLock and ScrollLock sit on
// whichever Mod1..Mod5 the keymap puts them. One place that converts between
// the server's modifier state and the Carbon modifier mask, for the hot keys
// and for the menu's key events alike.
class X11ModifierMap {
public:
    // The X modifier bits (ShiftMask = 1 ... Mod5Mask = 0x80) holding each key.
    struct Bits {
        unsigned option = 0;
        unsigned command = 0;
        unsigned numLock = 0;
        unsigned scrollLock = 0;
        friend bool operator==(const Bits&, const Bits&) = default;
    };

    X11ModifierMap() = default;
    explicit X11ModifierMap(Bits bits) : bits_(bits) {}
    // The server's current modifier map; empty bits without a connection.
    static X11ModifierMap read(_XDisplay* display);

    const Bits& bits() const { return bits_; }

    // The X modifiers for a Carbon mask; nothing when the mask holds a modifier
    // this server cannot report (the function key, caps lock, right-hand bits,
    // or Alt or Super missing from the keymap).
    std::optional<unsigned> x11Modifiers(std::uint32_t carbonModifiers) const;
    // The Carbon mask of an event's modifier state; caps lock shows as alphaLock.
    std::uint32_t carbonModifiers(unsigned x11State) const;

    // Caps, Num and Scroll Lock: their state must not change whether a key matches.
    unsigned lockModifiers() const;
    // Every combination of the lock modifiers, none first.
    std::vector<unsigned> lockCombinations() const;
    // An event's state without the lock modifiers and pointer buttons.
    unsigned significantModifiers(unsigned x11State) const;

    friend bool operator==(const X11ModifierMap&, const X11ModifierMap&) = default;

private:
    Bits bits_;
};

}  // namespace platform
