#include "Hotkeys/ModifierFlags.h"

#include <array>
#include <utility>

namespace hotkeys {

namespace {
using Masks = platform::ModifierMasks;

struct Modifier {
    std::uint64_t flag;
    std::int64_t carbon;
    const char* symbol;
};
// The order symbols are shown in.
constexpr std::array<Modifier, 5> kModifiers{{
    {ModifierFlags::control, Masks::carbonControl, "⌃"},
    {ModifierFlags::option, Masks::carbonOption, "⌥"},
    {ModifierFlags::shift, Masks::carbonShift, "⇧"},
    {ModifierFlags::command, Masks::carbonCommand, "⌘"},
    {ModifierFlags::function, Masks::carbonFunction, "🌐\uFE0E"},
}};
}  // namespace

ModifierFlags ModifierFlags::fromCarbon(std::int64_t carbonMask) {
    ModifierFlags flags;
    for (const auto& m : kModifiers) {
        if ((carbonMask & m.carbon) == m.carbon) flags.rawValue |= m.flag;
    }
    return flags;
}

std::int64_t ModifierFlags::carbon() const {
    std::int64_t mask = 0;
    for (const auto& m : kModifiers) {
        if (contains(m.flag)) mask |= m.carbon;
    }
    return mask;
}

std::string ModifierFlags::presentableDescription() const {
    std::string text;
    for (const auto& m : kModifiers) {
        if (contains(m.flag)) text += m.symbol;
    }
    return text;
}

std::int64_t reducedCarbonModifiers(std::int64_t carbonMask) { return ModifierFlags::fromCarbon(carbonMask).carbon(); }

std::optional<std::string> stringFromUnicodeScalar(std::uint32_t value) {
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    std::string text;
    if (value < 0x80) {
        text += static_cast<char>(value);
    } else if (value < 0x800) {
        text += static_cast<char>(0xC0 | (value >> 6));
        text += static_cast<char>(0x80 | (value & 0x3F));
    } else if (value < 0x10000) {
        text += static_cast<char>(0xE0 | (value >> 12));
        text += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (value & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (value >> 18));
        text += static_cast<char>(0x80 | ((value >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((value >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (value & 0x3F));
    }
    return text;
}

}  // namespace hotkeys
