#include "Tessivar/Settings/Private/SettingsPane.h"

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

}  // namespace tessivar
