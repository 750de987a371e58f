#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace Hotkeys {

// Modifier flags in the event vocabulary ("Cocoa" bits), convertible to and from
// the Carbon modifier mask that stored shortcuts and hot keys use. Exactly five
// modifiers survive a conversion: control, option, shift, command, function.
struct ModifierFlags {
    std::uint64_t rawValue = 0;

    static constexpr std::uint64_t capsLock = 0x10000;
    static constexpr std::uint64_t shift = 0x20000;
    static constexpr std::uint64_t control = 0x40000;
    static constexpr std::uint64_t option = 0x80000;
    static constexpr std::uint64_t command = 0x100000;
    static constexpr std::uint64_t numericPad = 0x200000;
    static constexpr std::uint64_t function = 0x800000;

    static constexpr std::int64_t carbonCommand = 0x100;
    static constexpr std::int64_t carbonShift = 0x200;
    static constexpr std::int64_t carbonAlphaLock = 0x400;
    static constexpr std::int64_t carbonOption = 0x800;
    static constexpr std::int64_t carbonControl = 0x1000;
    static constexpr std::int64_t carbonFunction = 0x20000;

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

}  // namespace Hotkeys
