#include "Tessivar/Settings/AppMenuShortcuts.h"

namespace tessivar {

std::vector<hotkeys::MenuItem> appMenuShortcuts(const StatusMenuModel& menu) {
    std::vector<hotkeys::MenuItem> items;
    for (const auto& item : menu.items) {
        if (item.isSeparator || item.action == MenuAction::jumpToSpecificScreen) continue;
        items.push_back({item.title, item.keyEquivalent, item.keyEquivalentModifiers, {}});
    }
    return items;
}

}  // namespace tessivar
