#include "Hotkeys/Name.h"

#include <nlohmann/json.hpp>

#include "Hotkeys/Hotkeys.h"

namespace hotkeys {
namespace {
constexpr const char* kRawValueMember = "rawValue";
constexpr const char* kDefaultMember = "defaultShortcut";
}  // namespace

Name::Name(std::string raw) : rawValue(std::move(raw)) { initializeOnce(); }

// The default is stored on first launch and again whenever the record was
// deleted; a stored false (the user removed the shortcut) or an unreadable
// record keeps it away.
Name::Name(std::string raw, std::optional<Shortcut> defaultValue)
    : rawValue(std::move(raw)), defaultShortcut(std::move(defaultValue)) {
    if (defaultShortcut && !hasStoredValue(*this)) saveShortcut(*defaultShortcut, *this);
    initializeOnce();
}

std::optional<Shortcut> Name::shortcut() const { return getShortcut(*this); }

void Name::setShortcut(const std::optional<Shortcut>& value) const { hotkeys::setShortcut(value, *this); }

nlohmann::json Name::toJSON() const {
    return {{kRawValueMember, rawValue},
            {kDefaultMember, defaultShortcut ? nlohmann::json(defaultShortcut->encoded()) : nlohmann::json()}};
}

std::optional<Name> Name::fromJSON(const nlohmann::json& value) {
    if (!value.is_object()) return std::nullopt;
    const auto raw = value.find(kRawValueMember);
    const auto defaultText = value.find(kDefaultMember);
    if (raw == value.end() || !raw->is_string() || defaultText == value.end()) return std::nullopt;
    Name name(raw->get<std::string>());
    if (defaultText->is_null()) return name;
    if (!defaultText->is_string()) return std::nullopt;
    name.defaultShortcut = Shortcut::decode(defaultText->get_ref<const std::string&>());
    if (!name.defaultShortcut) return std::nullopt;
    return name;
}

}  // namespace hotkeys
