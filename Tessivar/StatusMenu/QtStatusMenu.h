#pragma once
#include <QColor>
#include <QIcon>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

#include "Tessivar/StatusMenu/StatusMenuModel.h"

class QMenu;
class QSystemTrayIcon;

namespace platform {
class NotificationCenter;
}

namespace tessivar {

// The status menu in the desktop's system tray; a left or right click on the
// item opens it. Every rebuild replaces the menu; the tray item is made once and
// kept, so it never leaves the tray (a click on it is not lost to a window that
// is going away, and its place among the other icons stays). Opening
// and closing the menu is announced on the notification center, so the hot
// keys keep working while it is open.
class QtStatusMenu : public StatusMenu {
public:
    using ModelSource = std::function<StatusMenuModel()>;
    using ActionHandler = std::function<void(MenuAction action, int tag)>;
    // The colour the tray tells its icons to draw in, none where it tells none.
    using TrayForeground = std::function<std::optional<QColor>()>;

    QtStatusMenu(platform::NotificationCenter& notifications, ModelSource source, TrayForeground trayForeground = {});
    ~QtStatusMenu() override;

    void setActionHandler(ActionHandler handler) { onAction_ = std::move(handler); }
    void show() override;
    void rebuild() override;
    // Draws the tray item again in the colour the tray tells now (a tray came,
    // went or changed its colours).
    void followTrayColours();

    // The current menu (tests read it); null before the first rebuild.
    QMenu* menu() const { return menu_.get(); }
    // The current tray item (tests read it); null before it is first shown.
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

private:
    std::unique_ptr<QMenu> buildMenu(const StatusMenuModel& model);
    void addItem(QMenu& menu, const MenuItemModel& item);
    void makeTrayIcon();
    QIcon trayIconPicture() const;
    void reportMissingTray();

    platform::NotificationCenter& notifications_;
    ModelSource source_;
    TrayForeground trayForeground_;
    ActionHandler onAction_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    bool reportedMissingTray_ = false;
};

}  // namespace tessivar
