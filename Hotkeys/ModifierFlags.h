#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "Platform/HotKeys/ModifierMasks.h"

namespace hotkeys {

// Modifier flags in the event vocabulary ("Cocoa" bits), convertible to and from
// the Carbon modifier mask that stored shortcuts and hot keys use. Exactly five
// modifiers survive a conversion: control, option, shift, command, function.
struct ModifierFlags {
    std::uint64_t rawValue = 0;

    using Masks = platform::ModifierMasks;
    static constexpr std::uint64_t capsLock = Masks::capsLock;
    static constexpr std::uint64_t shift = Masks::shift;
    static constexpr std::uint64_t control = Masks::control;
    static constexpr std::uint64_t option = Masks::option;
    static constexpr std::uint64_t command = Masks::command;
    static constexpr std::uint64_t numericPad = Masks::numericPad;
    static constexpr std::uint64_t function = Masks::function;

    // Carbon mask to flags; every other Carbon bit is dropped.
    static ModifierFlags fromCarbon(std::int64_t carbonMask);
    // Flags to Carbon mask; caps lock, numeric pad and every other bit are dropped.
    std::int64_t carbon() const;
    // "⌃⌥⇧⌘🌐︎" for the flags present, always in that order; empty for none.
    std::string presentableDescription() const;
    bool contains(std::uint64_t flag) const { return (rawValue & flag) == flag; }

    friend bool operator==(const ModifierFlags&, const ModifierFlags&) = default;
};

// A Carbon mask reduced to the bits a shortcut can hold (to flags and back).
std::int64_t reducedCarbonModifiers(std::int64_t carbonMask);

// The UTF-8 text of one Unicode scalar; nothing for surrogates and values past 0x10FFFF.
std::optional<std::string> stringFromUnicodeScalar(std::uint32_t value);

}  // namespace hotkeys
