#pragma once
#include <string>
#include <vector>

#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Shortcut.h"

namespace hotkeys {

// One entry of an application menu as a shortcut conflict check sees it: its
// title, its key equivalent (empty: none; an upper-case letter stands for
// Shift plus the letter) with the event modifier flags it needs, and the
// entries of its submenu.
struct MenuItem {
    std::string title;
    std::string keyEquivalent;
    ModifierFlags keyEquivalentModifierMask;
    std::vector<MenuItem> submenu;
};

// The first entry, depth first, whose key equivalent is the shortcut; null when
// none is. Separators and entries without a key equivalent never match, and
// neither does a shortcut without a menu key equivalent (the keypad keys).
const MenuItem* matchingMenuItem(const Shortcut& shortcut, const std::vector<MenuItem>& menu);

}  // namespace hotkeys
