#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Hotkeys/Key.h"
#include "Hotkeys/ModifierFlags.h"

namespace hotkeys {

struct Name;

// A key with modifiers, in Carbon terms: what hot keys register and what the
// user defaults store.
struct Shortcut {
    std::int64_t carbonKeyCode = 0;
    std::int64_t carbonModifiers = 0;

    // The key and the Carbon mask of the flags (only the five shortcut modifiers survive).
    Shortcut(Key key, ModifierFlags modifiers);
    // Keeps the key code, reduces the mask to the five shortcut modifiers.
    Shortcut(std::int64_t keyCode, std::int64_t carbonMask);
    // A key-down or key-up event (kEventRawKeyDown / kEventRawKeyUp kinds are 1 and 3
    // in the hot-key vocabulary; any other kind gives none). The function flag
    // (0x800000) of the event is dropped before the mask is taken.
    static std::optional<Shortcut> fromKeyEvent(bool isKeyDownOrUp, std::int64_t keyCode, ModifierFlags flags);
    // The name's stored shortcut.
    static std::optional<Shortcut> fromName(const Name& name);

    // Modifier symbols, then the special key's symbol or the capitalised layout
    // character ("�" when the layout gives none): "⌥1", "⌘→".
    std::string description() const;
    // A special key's menu key equivalent, or the layout character as it comes.
    std::optional<std::string> keyEquivalent() const;
    // The character the key types on the current layout, without modifiers.
    std::optional<std::string> keyToCharacter() const;
    ModifierFlags modifiers() const { return ModifierFlags::fromCarbon(carbonModifiers); }

    // The stored form: {"carbonKeyCode":18,"carbonModifiers":2048}, key code first.
    std::string encoded() const;
    // Members in any order, others ignored; a missing or non-integer member gives
    // none. The mask is taken as stored, not reduced.
    static std::optional<Shortcut> decode(std::string_view text);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

private:
    struct Raw {};
    Shortcut(Raw, std::int64_t keyCode, std::int64_t carbonMask)
        : carbonKeyCode(keyCode), carbonModifiers(carbonMask) {}
};

}  // namespace hotkeys

template <>
struct std::hash<hotkeys::Shortcut> {
    std::size_t operator()(const hotkeys::Shortcut& s) const noexcept {
        const std::size_t h = std::hash<std::int64_t>{}(s.carbonKeyCode);
        return h ^ (std::hash<std::int64_t>{}(s.carbonModifiers) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2));
    }
};
