#pragma once
#include <optional>
#include <string>

#include "Hotkeys/Shortcut.h"

namespace Hotkeys {

// A user-configurable shortcut's name. Equal and hashed by rawValue alone.
struct Name {
    std::string rawValue;
    std::optional<Shortcut> defaultShortcut;

    // No default. Runs initializeOnce().
    explicit Name(std::string raw);
    // Stores the default under "Hotkeys_" + raw when nothing is stored there yet,
    // then runs initializeOnce().
    Name(std::string raw, std::optional<Shortcut> defaultValue);

    std::string userDefaultsKey() const { return "Hotkeys_" + rawValue; }

    friend bool operator==(const Name& a, const Name& b) { return a.rawValue == b.rawValue; }
};

}  // namespace Hotkeys

template <>
struct std::hash<Hotkeys::Name> {
    std::size_t operator()(const Hotkeys::Name& n) const noexcept { return std::hash<std::string>{}(n.rawValue); }
};
