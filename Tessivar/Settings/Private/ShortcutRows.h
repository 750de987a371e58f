#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "Hotkeys/Name.h"
#include "Platform/Desktop/Screen.h"

namespace tessivar {

// One row of the Shortcuts pane: a display and the shortcut name that jumps to it.
struct ShortcutRow {
    std::size_t screenIndex = 0;
    std::string title;     // "屏幕 2"
    std::string subtitle;  // "DELL U2720Q (1920 x 1080)": the name and the size in points
    hotkeys::Name name;
};

// A row per display in system order, as far as there are names (eight); none
// without displays, when the pane says so instead.
std::vector<ShortcutRow> shortcutRows(const std::vector<platform::Screen>& screens,
                                      const std::vector<hotkeys::Name>& names);

inline constexpr const char* kNoDisplaysText = "未检测到显示器";

}  // namespace tessivar
