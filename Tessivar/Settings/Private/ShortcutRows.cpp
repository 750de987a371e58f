#include "Tessivar/Settings/Private/ShortcutRows.h"

#include <algorithm>

namespace tessivar {

namespace {
// The whole points of a length, as the row shows them.
std::string wholePoints(double length) { return std::to_string(static_cast<long long>(length)); }
}  // namespace

std::vector<ShortcutRow> shortcutRows(const std::vector<platform::Screen>& screens,
                                      const std::vector<hotkeys::Name>& names) {
    std::vector<ShortcutRow> rows;
    const std::size_t count = std::min(screens.size(), names.size());
    for (std::size_t i = 0; i < count; ++i) {
        const auto& screen = screens[i];
        rows.push_back({i, "屏幕 " + std::to_string(i + 1),
                        screen.localizedName + " (" + wholePoints(screen.frame.size.width) + " x " +
                            wholePoints(screen.frame.size.height) + ")",
                        names[i]});
    }
    return rows;
}

}  // namespace tessivar
