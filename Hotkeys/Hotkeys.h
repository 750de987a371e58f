#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Hotkeys/Name.h"
#include "Hotkeys/Shortcut.h"

namespace platform {
struct Notification;
}  // namespace platform

// The facade through which the application uses shortcuts by name: storage in
// the user defaults, handlers per name, and the hot keys behind them. Each
// function is the same operation of the installed hotkeys::Registry (see
// Registry.h); with none installed it reports a misuse and does nothing. Main
// thread only.
namespace hotkeys {

// Posted by every writer of a record, with the user info {"name": <the name as
// the writer was given it, Name::toJSON()>}.
inline constexpr const char* kShortcutByNameDidChange = "Hotkeys_shortcutByNameDidChange";
// The name a change notice is about; nothing for any other notification.
std::optional<Name> changedName(const platform::Notification& notification);

// Storage.
std::optional<Shortcut> getShortcut(const Name& name);
std::optional<Shortcut> loadShortcut(const Name& name);
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
void saveShortcut(const Shortcut& shortcut, const Name& name);
void reset(const std::vector<Name>& names);
void resetAll();
bool hasStoredValue(const Name& name);
std::set<std::string> storedNames();
void postShortcutByNameDidChange(const Name& name);

// Handlers and registration.
void onKeyDown(const Name& name, std::function<void()> action);
void onKeyUp(const Name& name, std::function<void()> action);
void removeHandler(const Name& name);
void removeAllHandlers();
void enable(const std::vector<Name>& names);
void disable(const std::vector<Name>& names);
bool isEnabled(const Name& name);
// The shortcuts the hot-key service accepted and that are not unregistered yet
// (grabbed, or suspended while a menu is open, disabled or paused).
std::vector<Shortcut> registeredShortcuts();
bool isEnabled();
void setEnabled(bool enabled);

// While a recorder records, no handler runs and the hot keys are released so
// that the recorder's own window receives the keys. Only the owner that paused
// can resume; pausing again while paused answers false.
bool pause(const void* owner);
void resume(const void* owner);
bool isPaused();
bool isMenuOpen();

// Event streams: the subscription lives while the returned token does.
enum class EventType { keyDown = 0, keyUp = 1 };
using EventStream = std::shared_ptr<void>;
EventStream events(const Name& name, std::function<void(EventType)> onEvent);
// The same stream, told only of events of one type.
EventStream events(EventType type, const Name& name, std::function<void(EventType)> onEvent);

// The callbacks every hot-key registration carries.
void handleKeyDown(const Shortcut& shortcut);
void handleKeyUp(const Shortcut& shortcut);

void initializeOnce();

}  // namespace hotkeys
