#pragma once
#include "Hotkeys/Name.h"
#include "Hotkeys/Shortcut.h"

// The registration steps that storage, handlers and streams share (package internal).
namespace Hotkeys {

// Hands the shortcut to the hot-key service unless a record already holds it.
void registerShortcut(const Shortcut& shortcut);
void unregisterShortcut(const Shortcut& shortcut);
// Unregisters the shortcut unless a name with handlers or a live stream still
// stores it. `leaving` is the name that is giving the shortcut up and does not
// count: names that store one shortcut share its hot key, so one of them
// letting go must not silence the others.
void releaseShortcut(const Shortcut& shortcut, const Name* leaving = nullptr);

}  // namespace Hotkeys
