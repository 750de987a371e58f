// A name's shortcut record in the user defaults: "Hotkeys_" + name holds the
// compact JSON text of the shortcut, false for a default the user removed, or
// nothing. Every writer keeps the hot keys in step before it posts the change.
#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Registry.h"
#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UserDefaults.h"

namespace hotkeys {
namespace {

constexpr std::string_view kKeyPrefix = "Hotkeys_";
constexpr const char* kChangedNameKey = "name";
constexpr const char* kLogFormat = "[Hotkeys] %@";
// Key codes name the keys of a keyboard in seven bits; a code past them is no
// key the desktop could ever grab. A mask holds only the five modifiers a
// shortcut can have (what reducing it keeps): no shortcut is ever stored with
// another bit, so one that has any was edited into something no key press is.
constexpr std::int64_t kLastKeyCode = 0x7F;

bool namesAKey(const Shortcut& shortcut) {
    return shortcut.carbonKeyCode >= 0 && shortcut.carbonKeyCode <= kLastKeyCode &&
           reducedCarbonModifiers(shortcut.carbonModifiers) == shortcut.carbonModifiers;
}

// Text for the log, quoted and escaped: a key or value from an edited settings
// file may hold control characters or bytes that are not UTF-8.
std::string quoted(const std::string& text) {
    return nlohmann::json(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// An unreadable record leaves its shortcut off without a word unless it is
// said here. Every key press reads every record again, so each distinct
// problem is said once per run.
void reportUnreadable(const Name& name, const std::string& problem) {
    const std::string example = Shortcut(Key::one, ModifierFlags{ModifierFlags::option}).encoded();
    platform::Log::writeOnce(kLogFormat, quoted(name.userDefaultsKey()) + " holds " + problem +
                                             ", so that shortcut is off. A shortcut is stored as JSON text, such as " +
                                             quoted(example) + ", or as false when removed");
}

}  // namespace

// Only text is a record. False is a removed shortcut and absent is none, so
// neither is reported; anything else is a record that cannot be read.
std::optional<Shortcut> Registry::readRecord(const Name& name, const nlohmann::json& value) const {
    if (value.is_boolean() && !value.get<bool>()) return std::nullopt;
    if (!value.is_string()) {
        reportUnreadable(name, std::string("a JSON ") + value.type_name() + " instead of text");
        return std::nullopt;
    }
    auto shortcut = decodedShortcuts_.decode(value.get_ref<const std::string&>());
    if (!shortcut) {
        reportUnreadable(name, "text that is not a shortcut");
        return std::nullopt;
    }
    if (!namesAKey(*shortcut)) {
        reportUnreadable(name, "a shortcut of key code " + std::to_string(shortcut->carbonKeyCode) + " and modifiers " +
                                   std::to_string(shortcut->carbonModifiers) + ", which no key has");
        return std::nullopt;
    }
    return shortcut;
}

// Removing a name's shortcut: a name with a default keeps false so that its
// next construction does not bring the default back.
void Registry::clearShortcut(const Name& name, bool keepCleared) {
    const auto current = loadShortcut(name);
    if (!current) return;
    if (keepCleared) {
        environment_.defaults.set(name.userDefaultsKey(), false);
    } else {
        environment_.defaults.removeObject(name.userDefaultsKey());
    }
    releaseShortcut(*current, &name);
    postShortcutByNameDidChange(name);
}

std::optional<Shortcut> Registry::getShortcut(const Name& name) { return loadShortcut(name); }

// Text that is not a JSON object with two integer members reads as no
// shortcut, and so do false, numbers and anything else.
std::optional<Shortcut> Registry::loadShortcut(const Name& name) {
    thread_.check();
    const auto value = environment_.defaults.object(name.userDefaultsKey());
    if (!value) return std::nullopt;
    return readRecord(name, *value);
}

void Registry::setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    thread_.check();
    if (shortcut) {
        saveShortcut(*shortcut, name);
        return;
    }
    clearShortcut(name, name.defaultShortcut.has_value());
}

void Registry::saveShortcut(const Shortcut& shortcut, const Name& name) {
    thread_.check();
    if (const auto old = loadShortcut(name)) releaseShortcut(*old, &name);
    registerShortcut(shortcut);
    environment_.defaults.set(name.userDefaultsKey(), shortcut.encoded());
    postShortcutByNameDidChange(name);
}

void Registry::reset(const std::vector<Name>& names) {
    thread_.check();
    for (const Name& name : names) {
        if (name.defaultShortcut) {
            saveShortcut(*name.defaultShortcut, name);
            continue;
        }
        clearShortcut(name, false);
    }
}

// The names built here carry no default: every readable record goes, entries
// holding false stay, and a default comes back at its name's next construction.
void Registry::resetAll() {
    std::vector<Name> names;
    for (const std::string& raw : storedNames()) names.emplace_back(raw);
    reset(names);
}

bool Registry::hasStoredValue(const Name& name) const {
    thread_.check();
    return environment_.defaults.contains(name.userDefaultsKey());
}

std::set<std::string> Registry::storedNames() const {
    thread_.check();
    std::set<std::string> names;
    for (const std::string& key : environment_.defaults.keys()) {
        if (key.starts_with(kKeyPrefix)) names.insert(key.substr(kKeyPrefix.size()));
    }
    return names;
}

void Registry::postShortcutByNameDidChange(const Name& name) {
    thread_.check();
    environment_.notifications.post(kShortcutByNameDidChange, {{kChangedNameKey, name.toJSON()}});
}

std::optional<Name> changedName(const platform::Notification& notification) {
    if (notification.name != kShortcutByNameDidChange || !notification.userInfo.is_object()) return std::nullopt;
    const auto name = notification.userInfo.find(kChangedNameKey);
    if (name == notification.userInfo.end()) return std::nullopt;
    return Name::fromJSON(*name);
}

}  // namespace hotkeys
