#pragma once
#include <vector>

#include "Hotkeys/MenuItem.h"
#include "Tessivar/StatusMenu/StatusMenuModel.h"

namespace tessivar {

// The application's own commands with key equivalents, as a recorder's menu
// conflict check sees them. The display entries are left out: their key
// equivalents are the display shortcuts themselves, which a recorder edits.
inline std::vector<hotkeys::MenuItem> appMenuShortcuts(const StatusMenuModel& menu) {
    std::vector<hotkeys::MenuItem> items;
    for (const auto& item : menu.items) {
        if (item.isSeparator || item.action == MenuAction::jumpToSpecificScreen) continue;
        items.push_back({item.title, item.keyEquivalent, item.keyEquivalentModifiers, {}});
    }
    return items;
}

}  // namespace tessivar
