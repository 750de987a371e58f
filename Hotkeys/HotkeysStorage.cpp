// A name's shortcut record in the user defaults: "Hotkeys_" + name holds the
// compact JSON text of the shortcut, false for a default the user removed, or
// nothing. Every writer keeps the hot keys in step before it posts the change.
#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/HotkeysRegistration.h"
#include "Hotkeys/Services.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"

namespace Hotkeys {
namespace {

constexpr std::string_view kKeyPrefix = "Hotkeys_";

// Removing a name's shortcut: a name with a default keeps false so that its
// next construction does not bring the default back.
void clearShortcut(const Name& name, bool keepCleared) {
    const auto current = loadShortcut(name);
    if (!current) return;
    if (keepCleared) {
        userDefaults().set(name.userDefaultsKey(), false);
    } else {
        userDefaults().removeObject(name.userDefaultsKey());
    }
    releaseShortcut(*current, &name);
    postShortcutByNameDidChange(name);
}

}  // namespace

std::optional<Shortcut> getShortcut(const Name& name) { return loadShortcut(name); }

// Only text is a record; false, numbers and anything else read as no shortcut,
// and so does text that is not a JSON object with two integer members.
std::optional<Shortcut> loadShortcut(const Name& name) {
    const auto value = userDefaults().object(name.userDefaultsKey());
    if (!value || !value->is_string()) return std::nullopt;
    return Shortcut::decode(value->get_ref<const std::string&>());
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        saveShortcut(*shortcut, name);
        return;
    }
    clearShortcut(name, name.defaultShortcut.has_value());
}

void saveShortcut(const Shortcut& shortcut, const Name& name) {
    if (const auto old = loadShortcut(name)) releaseShortcut(*old, &name);
    registerShortcut(shortcut);
    userDefaults().set(name.userDefaultsKey(), shortcut.encoded());
    postShortcutByNameDidChange(name);
}

void reset(const std::vector<Name>& names) {
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
void resetAll() {
    std::vector<Name> names;
    for (const std::string& raw : storedNames()) names.emplace_back(raw);
    reset(names);
}

bool hasStoredValue(const Name& name) { return userDefaults().contains(name.userDefaultsKey()); }

std::set<std::string> storedNames() {
    std::set<std::string> names;
    for (const std::string& key : userDefaults().keys()) {
        if (key.starts_with(kKeyPrefix)) names.insert(key.substr(kKeyPrefix.size()));
    }
    return names;
}

void postShortcutByNameDidChange(const Name& name) {
    notificationCenter().post(kShortcutByNameDidChange, {{"name", name.rawValue}});
}

}  // namespace Hotkeys
