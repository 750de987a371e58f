#include "Tessivar/Settings/Private/PaneHistory.h"

#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AppDefaults.h"

namespace tessivar {

namespace {
struct PaneText {
    std::string_view raw;
    std::string_view title;
    std::string_view symbol;
};

constexpr std::array<PaneText, 3> kPaneTexts{{
    {"general", "通用", "gearshape"},
    {"shortcuts", "快捷键", "keyboard"},
    {"about", "关于", "info.circle"},
}};

const PaneText& texts(SettingsPane pane) { return kPaneTexts[static_cast<std::size_t>(pane)]; }
}  // namespace

std::string_view rawValue(SettingsPane pane) { return texts(pane).raw; }

std::optional<SettingsPane> settingsPaneFromRawValue(std::string_view raw) {
    for (const SettingsPane pane : kAllSettingsPanes) {
        if (rawValue(pane) == raw) return pane;
    }
    return std::nullopt;
}

std::string_view title(SettingsPane pane) { return texts(pane).title; }

std::string_view symbolName(SettingsPane pane) { return texts(pane).symbol; }

void PaneHistory::navigate(SettingsPane pane) {
    if (selectedPane() == pane) return;
    entries_.resize(index_ + 1);
    entries_.push_back(pane);
    index_ = entries_.size() - 1;
}

void PaneHistory::goBack() {
    if (!canGoBack()) return;
    --index_;
}

void PaneHistory::goForward() {
    if (!canGoForward()) return;
    ++index_;
}

void PaneHistory::handleAppear(platform::UserDefaults& defaults) {
    if (!defaults.boolValue(AppDefaults::shouldShowShortcutsPaneOnOpen)) return;
    defaults.set(AppDefaults::shouldShowShortcutsPaneOnOpen, false);
    entries_ = {SettingsPane::general, SettingsPane::shortcuts};
    index_ = 1;
}

}  // namespace tessivar
