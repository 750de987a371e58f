#include "Tessivar/StatusMenu/QtStatusMenu.h"

#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>

#include "Hotkeys/Qt/MenuItemBinding.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/HotKeys/MenuKeyMonitor.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar {

QtStatusMenu::QtStatusMenu(platform::NotificationCenter& notifications, ModelSource source,
                           TrayForeground trayForeground)
    : notifications_(notifications), source_(std::move(source)), trayForeground_(std::move(trayForeground)) {}

QtStatusMenu::~QtStatusMenu() = default;

void QtStatusMenu::show() {
    if (!tray_) makeTrayIcon();
    reportMissingTray();
}

void QtStatusMenu::rebuild() {
    // An open menu is closed first so that its close is announced.
    if (menu_) menu_->hide();
    menu_ = buildMenu(source_());
    show();
    tray_->setContextMenu(menu_.get());
}

void QtStatusMenu::followTrayColours() {
    if (tray_) tray_->setIcon(trayIconPicture());
}

void QtStatusMenu::makeTrayIcon() {
    tray_ = std::make_unique<QSystemTrayIcon>(trayIconPicture());
    tray_->setToolTip(QString::fromUtf8(StatusMenuModel::kAccessibilityDescription));
    // Tray users expect a left click to open the menu as the right click does
    // (the right click opens it by itself).
    QObject::connect(tray_.get(), &QSystemTrayIcon::activated, tray_.get(),
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::Trigger && menu_) menu_->popup(QCursor::pos());
                     });
    // Shown also without a tray: a visible icon docks by itself into a tray that
    // appears later (a panel starting late at login) or comes back after a restart.
    tray_->show();
}

QIcon QtStatusMenu::trayIconPicture() const {
    return SymbolIcons::statusItemIcon(trayForeground_ ? trayForeground_() : std::nullopt);
}

void QtStatusMenu::reportMissingTray() {
    if (reportedMissingTray_ || QSystemTrayIcon::isSystemTrayAvailable()) return;
    reportedMissingTray_ = true;
    appLog(
        "⚠️ "
        "桌面暂时没有系统托盘，托盘出现后状态菜单会自动显示；全局快捷键照常可用");
}

std::unique_ptr<QMenu> QtStatusMenu::buildMenu(const StatusMenuModel& model) {
    auto menu = std::make_unique<QMenu>();
    for (const auto& item : model.items) addItem(*menu, item);
    auto& center = notifications_;
    QObject::connect(menu.get(), &QMenu::aboutToShow, menu.get(),
                     [&center] { center.post(platform::kMenuDidBeginTrackingNotification); });
    QObject::connect(menu.get(), &QMenu::aboutToHide, menu.get(),
                     [&center] { center.post(platform::kMenuDidEndTrackingNotification); });
    return menu;
}

void QtStatusMenu::addItem(QMenu& menu, const MenuItemModel& item) {
    if (item.isSeparator) {
        menu.addSeparator();
        return;
    }
    auto* action = menu.addAction(SymbolIcons::icon(item.symbolName, menu.palette().color(QPalette::Text)),
                                  QString::fromStdString(item.title));
    // Shown, not bound: the hot keys themselves come through the global shortcuts.
    if (item.shortcut) {
        hotkeys::MenuItemBinding::setShortcut(action, item.shortcut);
    } else {
        hotkeys::MenuItemBinding::showKeyEquivalent(action, item.keyEquivalent, item.keyEquivalentModifiers);
    }
    action->setData(item.tag);
    QObject::connect(action, &QAction::triggered, &menu, [this, kind = item.action, tag = item.tag] {
        if (onAction_) onAction_(kind, tag);
    });
}

}  // namespace tessivar
