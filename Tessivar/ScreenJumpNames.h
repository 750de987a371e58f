#pragma once
#include <vector>

#include "Hotkeys/Name.h"

namespace tessivar {

// The eight display shortcuts, Option + 1 to 8 by default; position i belongs to
// screen index i. Reading the list the first time creates all eight names, which
// stores each default that is not stored yet.
const std::vector<Hotkeys::Name>& screenJumpNames();
// A fresh list, for code that must not share the process-wide one.
std::vector<Hotkeys::Name> makeScreenJumpNames();

}  // namespace tessivar
