#pragma once
#include <vector>

#include "Hotkeys/Name.h"

namespace tessivar {

// The eight display shortcuts, Option + 1 to 8 by default. Each name is created
// once, at its first read, and creating it stores its default when nothing is
// stored yet.
const hotkeys::Name& jumpToScreen1();
const hotkeys::Name& jumpToScreen2();
const hotkeys::Name& jumpToScreen3();
const hotkeys::Name& jumpToScreen4();
const hotkeys::Name& jumpToScreen5();
const hotkeys::Name& jumpToScreen6();
const hotkeys::Name& jumpToScreen7();
const hotkeys::Name& jumpToScreen8();

// The eight in order; position i belongs to screen index i. Reading the list the
// first time creates all eight names in order, so every default is stored
// before the first handler is added.
const std::vector<hotkeys::Name>& screenJumpNames();
// A fresh list, for code that must not share the process-wide one.
std::vector<hotkeys::Name> makeScreenJumpNames();

}  // namespace tessivar
