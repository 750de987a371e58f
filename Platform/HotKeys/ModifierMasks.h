#pragma once
#include <cstdint>

namespace platform {

// The modifier numbers of the hot-key vocabulary, defined once for the shortcut
// package and the window-system backends alike. Stored shortcuts and hot-key
// registrations carry the Carbon mask; key events and menu key equivalents
// carry the event flags.
struct ModifierMasks {
    // Carbon modifier mask bits.
    static constexpr std::uint32_t carbonCommand = 0x100;
    static constexpr std::uint32_t carbonShift = 0x200;
    static constexpr std::uint32_t carbonAlphaLock = 0x400;
    static constexpr std::uint32_t carbonOption = 0x800;
    static constexpr std::uint32_t carbonControl = 0x1000;
    static constexpr std::uint32_t carbonFunction = 0x20000;

    // Event modifier flag bits.
    static constexpr std::uint64_t capsLock = 0x10000;
    static constexpr std::uint64_t shift = 0x20000;
    static constexpr std::uint64_t control = 0x40000;
    static constexpr std::uint64_t option = 0x80000;
    static constexpr std::uint64_t command = 0x100000;
    static constexpr std::uint64_t numericPad = 0x200000;
    static constexpr std::uint64_t function = 0x800000;
};

}  // namespace platform
