#pragma once
#include <optional>
#include <string>

#include <nlohmann/json_fwd.hpp>

#include "Hotkeys/Shortcut.h"

namespace hotkeys {

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

    // The stored shortcut, read and written through the name. The record lives
    // in the user defaults, not in the name, so a const name can change it.
    std::optional<Shortcut> shortcut() const;
    void setShortcut(const std::optional<Shortcut>& value) const;

    // The name as the change notice carries it: {"rawValue": ..., "defaultShortcut":
    // the default's stored text or null}. Reading it back stores nothing, unlike
    // the constructor with a default.
    nlohmann::json toJSON() const;
    static std::optional<Name> fromJSON(const nlohmann::json& value);

    friend bool operator==(const Name& a, const Name& b) { return a.rawValue == b.rawValue; }
};

}  // namespace hotkeys

template <>
struct std::hash<hotkeys::Name> {
    std::size_t operator()(const hotkeys::Name& n) const noexcept { return std::hash<std::string>{}(n.rawValue); }
};
