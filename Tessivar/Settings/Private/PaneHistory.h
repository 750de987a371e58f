#pragma once
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class UserDefaults;
}

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

// The settings window's navigation, like a browser's: the pane shown, and the
// panes visited with a position to go back and forward from. Never empty; the
// entry at the position is always the pane shown. The history has no limit.
class PaneHistory {
public:
    SettingsPane selectedPane() const { return entries_[index_]; }
    const std::vector<SettingsPane>& entries() const { return entries_; }
    std::size_t index() const { return index_; }
    bool canGoBack() const { return index_ > 0; }
    bool canGoForward() const { return index_ + 1 < entries_.size(); }

    // Shows a pane and records it after the current position, dropping what
    // lay ahead; the pane already shown adds nothing.
    void navigate(SettingsPane pane);
    // Each does nothing at its end of the history.
    void goBack();
    void goForward();

    // The onboarding's one-shot request ("shouldShowShortcutsPaneOnOpen"), read
    // and cleared each time the settings come on screen: the history becomes
    // general, then shortcuts, so back leads to General.
    void handleAppear(platform::UserDefaults& defaults);

private:
    std::vector<SettingsPane> entries_{SettingsPane::general};
    std::size_t index_ = 0;
};

}  // namespace tessivar
