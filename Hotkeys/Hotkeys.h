#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Hotkeys/Name.h"
#include "Hotkeys/RegistryOperations.h"
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

// Event streams: the subscription lives while the returned token does.
enum class EventType { keyDown = 0, keyUp = 1 };
using EventStream = std::shared_ptr<void>;

// The package's operations (RegistryOperations.h), each forwarding to the
// installed registry.
#define TESSIVAR_HOTKEYS_FREE_FUNCTION(result, function, parameters, arguments, qualifier) result function parameters;
TESSIVAR_HOTKEYS_OPERATIONS(TESSIVAR_HOTKEYS_FREE_FUNCTION)
#undef TESSIVAR_HOTKEYS_FREE_FUNCTION

}  // namespace hotkeys
