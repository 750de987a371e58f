#include "Tessivar/StatusMenu/StatusMenuModel.h"

#include <QString>

namespace tessivar {

namespace {
constexpr std::size_t kNamedDisplays = 8;

MenuItemModel item(std::string title, MenuAction action, std::string keyEquivalent, std::string symbol) {
    MenuItemModel entry;
    entry.title = std::move(title);
    entry.action = action;
    entry.keyEquivalent = std::move(keyEquivalent);
    entry.symbolName = std::move(symbol);
    return entry;
}

MenuItemModel displayItem(std::size_t index, const platform::Screen& screen,
                          const std::optional<hotkeys::Shortcut>& shortcut) {
    auto entry = item("屏幕 " + std::to_string(index + 1) + ": " + screen.localizedName,
                      MenuAction::jumpToSpecificScreen, "", StatusMenuModel::symbolForDisplay(screen.localizedName));
    entry.tag = static_cast<int>(index);
    if (!shortcut) return entry;
    // The key itself, not the last character of its name: "F2" ends in "2",
    // and Ctrl+2 is a different shortcut.
    entry.keyEquivalent = shortcut->keyEquivalent().value_or("");
    entry.keyEquivalentModifiers = shortcut->modifiers();
    entry.shortcut = shortcut;
    return entry;
}
}  // namespace

StatusMenuModel StatusMenuModel::build(
    const std::vector<platform::Screen>& screens,
    const std::function<std::optional<hotkeys::Shortcut>(std::size_t)>& shortcutForScreen) {
    StatusMenuModel model;
    auto& items = model.items;
    items.push_back(item(screens.size() >= 2 ? "瞬间移动到下一屏幕" : "瞬间移动到当前屏幕中心",
                         MenuAction::jumpToOtherScreen, "", "cursorarrow.motionlines"));
    items.push_back(MenuItemModel::separator());
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const auto shortcut = i < kNamedDisplays ? shortcutForScreen(i) : std::nullopt;
        items.push_back(displayItem(i, screens[i], shortcut));
    }
    items.push_back(MenuItemModel::separator());
    items.push_back(item("新手引导...", MenuAction::showOnboarding, "", "hand.point.up.left"));
    items.push_back(MenuItemModel::separator());
    items.push_back(item("设置...", MenuAction::openHotKeySettings, ",", "gearshape"));
    items.push_back(MenuItemModel::separator());
    items.push_back(item("退出", MenuAction::quitApp, "q", "power"));
    return model;
}

std::string StatusMenuModel::symbolForDisplay(const std::string& localizedName) {
    const auto lower = QString::fromStdString(localizedName).toLower();
    for (const char* hint : {"built-in", "lcd", "retina", "color"}) {
        if (lower.contains(QLatin1String(hint))) return "laptopcomputer";
    }
    return "display";
}

}  // namespace tessivar
