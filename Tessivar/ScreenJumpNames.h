#pragma once
#include <vector>

#include "Hotkeys/Name.h"

namespace tessivar {

// The eight display shortcuts, Option + 1 to 8 by default. Each name is created
// once, at its first read, and creating it stores its default when nothing is
// stored yet.
const Hotkeys::Name& jumpToScreen1();
const Hotkeys::Name& jumpToScreen2();
const Hotkeys::Name& jumpToScreen3();
const Hotkeys::Name& jumpToScreen4();
const Hotkeys::Name& jumpToScreen5();
const Hotkeys::Name& jumpToScreen6();
const Hotkeys::Name& jumpToScreen7();
const Hotkeys::Name& jumpToScreen8();

// The eight in order; position i belongs to screen index i. Reading the list the
// first time creates all eight names in order, so every default is stored
// before the first handler is added.
const std::vector<Hotkeys::Name>& screenJumpNames();
// A fresh list, for code that must not share the process-wide one.
std::vector<Hotkeys::Name> makeScreenJumpNames();

}  // namespace tessivar
