#pragma once
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace tessivar {

// The panes of the settings window, in sidebar order.
enum class SettingsPane { general, shortcuts, about };

inline constexpr std::array<SettingsPane, 3> kAllSettingsPanes{SettingsPane::general, SettingsPane::shortcuts,
                                                               SettingsPane::about};

// "general", "shortcuts", "about".
std::string_view rawValue(SettingsPane pane);
// Exactly those three strings; anything else is no pane.
std::optional<SettingsPane> settingsPaneFromRawValue(std::string_view raw);
// The sidebar's title: "通用", "快捷键", "关于".
std::string_view title(SettingsPane pane);
// The symbol the sidebar shows beside the title.
std::string_view symbolName(SettingsPane pane);

}  // namespace tessivar
