#include "Hotkeys/Private/AcceleratorReader.h"

#include <algorithm>
#include <array>
#include <utility>

#include "Hotkeys/Private/Capitalization.h"
#include "Platform/HotKeys/KeyboardLayout.h"
#include "Platform/HotKeys/ModifierMasks.h"

namespace hotkeys {

namespace {

using Masks = platform::ModifierMasks;

// Keys that type no character, by their X key symbol names.
constexpr std::array<std::pair<std::string_view, std::int64_t>, 60> kNamedKeys{{
    {"Return", 36},
    {"Tab", 48},
    {"ISO_Left_Tab", 48},
    {"space", 49},
    {"BackSpace", 51},
    {"Escape", 53},
    {"Delete", 117},
    {"Insert", 114},
    {"Help", 114},
    {"Home", 115},
    {"End", 119},
    {"Page_Up", 116},
    {"Prior", 116},
    {"Page_Down", 121},
    {"Next", 121},
    {"Left", 123},
    {"Right", 124},
    {"Down", 125},
    {"Up", 126},
    {"F1", 122},
    {"F2", 120},
    {"F3", 99},
    {"F4", 118},
    {"F5", 96},
    {"F6", 97},
    {"F7", 98},
    {"F8", 100},
    {"F9", 101},
    {"F10", 109},
    {"F11", 103},
    {"F12", 111},
    {"F13", 105},
    {"F14", 107},
    {"F15", 113},
    {"F16", 106},
    {"F17", 64},
    {"F18", 79},
    {"F19", 80},
    {"F20", 90},
    {"KP_0", 82},
    {"KP_1", 83},
    {"KP_2", 84},
    {"KP_3", 85},
    {"KP_4", 86},
    {"KP_5", 87},
    {"KP_6", 88},
    {"KP_7", 89},
    {"KP_8", 91},
    {"KP_9", 92},
    {"KP_Decimal", 65},
    {"KP_Multiply", 67},
    {"KP_Add", 69},
    {"KP_Divide", 75},
    {"KP_Enter", 76},
    {"KP_Subtract", 78},
    {"KP_Equal", 81},
    {"Num_Lock", 71},
    {"XF86AudioMute", 74},
    {"XF86AudioRaiseVolume", 72},
    {"XF86AudioLowerVolume", 73},
}};

// Key symbol names of the punctuation keys, by the character they type.
constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kPunctuation{{
    {"minus", "-"},
    {"equal", "="},
    {"bracketleft", "["},
    {"bracketright", "]"},
    {"backslash", "\\"},
    {"semicolon", ";"},
    {"apostrophe", "'"},
    {"grave", "`"},
    {"comma", ","},
    {"period", "."},
    {"slash", "/"},
}};

// The Carbon keys that type characters on some layout: the main block.
constexpr std::int64_t kLastCharacterKey = 50;

template <typename Table, typename Key>
auto lookup(const Table& table, const Key& key) -> std::optional<decltype(table.begin()->second)> {
    const auto it = std::find_if(table.begin(), table.end(), [&](const auto& row) { return row.first == key; });
    if (it == table.end()) return std::nullopt;
    return it->second;
}

// The Carbon bit of one "<Name>"; zero for one that adds nothing, none for one
// the hot keys cannot hold.
std::optional<std::int64_t> modifierBit(const std::string& name) {
    static constexpr std::array<std::pair<std::string_view, std::int64_t>, 9> kModifierNames{{
        {"shift", Masks::carbonShift},
        {"control", Masks::carbonControl},
        {"ctrl", Masks::carbonControl},
        {"primary", Masks::carbonControl},
        {"alt", Masks::carbonOption},
        {"mod1", Masks::carbonOption},
        {"super", Masks::carbonCommand},
        {"mod4", Masks::carbonCommand},
        {"release", 0},
    }};
    return lookup(kModifierNames, lowercased(name));
}

}  // namespace

AcceleratorReader::AcceleratorReader(platform::KeyboardLayout* layout) {
    if (!layout) return;
    for (std::int64_t code = 0; code <= kLastCharacterKey; ++code) {
        const auto character = layout->character(static_cast<std::uint16_t>(code));
        if (character) keyForCharacter_.emplace(*character, code);
    }
}

std::optional<std::int64_t> AcceleratorReader::keyCode(const std::string& keyName) const {
    if (const auto named = lookup(kNamedKeys, keyName)) return *named;
    const auto punctuation = lookup(kPunctuation, keyName);
    // Desktops write letters either way round; the key is the same.
    const std::string character = punctuation ? std::string(*punctuation) : lowercased(keyName);
    const auto it = keyForCharacter_.find(character);
    if (it == keyForCharacter_.end()) return std::nullopt;
    return it->second;
}

std::optional<Shortcut> AcceleratorReader::read(std::string_view accelerator) const {
    std::int64_t modifiers = 0;
    while (!accelerator.empty() && accelerator.front() == '<') {
        const auto close = accelerator.find('>');
        if (close == std::string_view::npos) return std::nullopt;
        const auto bit = modifierBit(std::string(accelerator.substr(1, close - 1)));
        if (!bit) return std::nullopt;
        modifiers |= *bit;
        accelerator.remove_prefix(close + 1);
    }
    if (accelerator.empty() || accelerator == "disabled") return std::nullopt;
    const auto code = keyCode(std::string(accelerator));
    if (!code) return std::nullopt;
    return Shortcut(*code, modifiers);
}

}  // namespace hotkeys
