#pragma once
#include <vector>

#include "Hotkeys/MenuItem.h"
#include "Tessivar/StatusMenu/StatusMenuModel.h"

namespace tessivar {

// The application's own commands with key equivalents, as a recorder's menu
// conflict check sees them. The display entries are left out: their key
// equivalents are the display shortcuts themselves, which a recorder edits.
std::vector<hotkeys::MenuItem> appMenuShortcuts(const StatusMenuModel& menu);

}  // namespace tessivar
