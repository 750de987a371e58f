#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Hotkeys/Shortcut.h"

namespace hotkeys {

// What a recording recorder does with one event of the application, decided
// without the widget: the event as the recorder sees it, its own state and the
// conflict lookups go in, one action comes out.
struct RecorderEvent {
    enum class Kind { keyDown, mouseUp, other };
    // The key by what it types, as the toolkit reads it: Tab, Escape and the
    // deletion keys end or edit the recording; a function key may stand alone.
    enum class Key { other, tab, escape, backspace, deleteForward, functionKey };

    Kind kind = Kind::other;
    std::uint64_t modifierFlags = 0;  // event flags (ModifierFlags bits)
    Key key = Key::other;
    std::optional<std::int64_t> carbonKeyCode;  // none: the key has no Carbon code
    bool insideControl = false;                 // mouse up within the control grown by 3 points
};

struct RecorderLookups {
    // The title of the application's menu entry that uses the shortcut.
    std::function<std::optional<std::string>(const Shortcut&)> menuItemTitle;
    // Whether another program or the desktop uses it.
    std::function<bool(const Shortcut&)> isTakenBySystem;
    // Whether the sandbox refuses it (see isDisallowedInSandbox); asked after the
    // menu and before the system.
    std::function<bool(const Shortcut&)> isDisallowed;
};

// A release of the desktop system, for the one rule that depends on it.
struct SystemVersion {
    int major = 0;
    int minor = 0;
};

// Releases 15.0 and 15.1 of the system the package also runs on never deliver,
// to a sandboxed process, a hot key whose only modifier is Option (Shift may
// come with it): recording one would store a shortcut that never fires, so the
// recorder refuses it with an alert. `version` is the running system's release,
// nothing where the system is not that one (as on this desktop).
bool isDisallowedInSandbox(const Shortcut& shortcut, std::optional<SystemVersion> version, bool sandboxed);

enum class RecorderAction {
    endAndPass,     // give up focus and let the event through
    endAndSwallow,  // give up focus, keep the old shortcut
    clearShortcut,  // remove the shortcut (as the clear button does), keep recording
    swallow,
    beep,                   // refuse the key, keep recording
    alertMenuConflict,      // refuse with the menu entry's title
    alertDisallowed,        // refuse: the sandbox would never deliver it
    confirmSystemConflict,  // ask whether to take the shortcut anyway
    store,
};

struct RecorderDecision {
    RecorderAction action = RecorderAction::swallow;
    std::optional<Shortcut> shortcut;  // for the conflict alerts and store
    std::string menuItemTitle;         // for alertMenuConflict

    friend bool operator==(const RecorderDecision&, const RecorderDecision&) = default;
};

// The rules, first that applies decides. `showsShortcut`: the field shows a
// stored shortcut (so a deletion key has something to remove).
RecorderDecision decideRecorderEvent(const RecorderEvent& event, bool showsShortcut, const RecorderLookups& lookups);

}  // namespace hotkeys
