#pragma once
#include <QKeySequence>

#include <string>

#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Shortcut.h"

// Shortcuts as Qt's key sequences, for actions and menu items that show them.
namespace hotkeys::ShortcutKeySequence {

// Control, option, shift and command as Qt's Ctrl, Alt, Shift and Meta (the
// Super key, where the hot keys put command); the function flag has no Qt form.
Qt::KeyboardModifiers modifiers(ModifierFlags flags);
// A menu key equivalent (the character the layout types, or a special key's
// symbol such as "↩" or the function keys' private-use characters) with its
// modifiers; empty for an empty equivalent or one Qt has no key for.
QKeySequence fromKeyEquivalent(const std::string& keyEquivalent, ModifierFlags flags);
// The shortcut's menu key equivalent with its modifiers, a keypad key as Qt's
// keypad key ("Num+1"); empty for a key that types nothing on this layout.
QKeySequence fromShortcut(const Shortcut& shortcut);

}  // namespace hotkeys::ShortcutKeySequence
