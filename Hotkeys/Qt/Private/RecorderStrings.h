#pragma once
#include <QString>
#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

namespace hotkeys {

// The recorder's user-facing texts by key, in the application's language
// (Simplified Chinese); an unknown key reads as the key itself.
inline QString recorderString(std::string_view key) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kStrings{{
        {"record_shortcut", "录制快捷键"},
        {"press_shortcut", "按下快捷键"},
        {"keyboard_shortcut_used_by_menu_item", "此快捷键无法使用，因为菜单项“%1”已在使用它。"},
        {"keyboard_shortcut_disallowed",
         "此快捷键无法使用：在此系统版本上，沙盒中的程序收不到只用 ⌥ 或 ⌥⇧ 作修饰键的快捷键。"},
        {"keyboard_shortcut_used_by_system", "此快捷键无法使用，因为系统或其他程序已在使用它。"},
        {"keyboard_shortcuts_can_be_changed", "大多数桌面快捷键可以在系统设置的“键盘”中更改。"},
        {"ok", "好"},
        {"force_use_shortcut", "仍然使用"},
    }};
    const auto it =
        std::find_if(kStrings.begin(), kStrings.end(), [&](const auto& entry) { return entry.first == key; });
    const std::string_view text = it == kStrings.end() ? key : it->second;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace hotkeys
