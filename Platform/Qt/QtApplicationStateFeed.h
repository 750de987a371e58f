#pragma once
#include <QMetaObject>
#include <QObject>
#include <Qt>

namespace platform {

class NotificationCenter;

// Tells the rest of the program when the application has finished launching, when
// it becomes active and when it stops being so, from Qt's application state (on X11
// it follows the focus: a window or menu of the program has it or not), as the
// notifications of ApplicationNotifications. A tray program usually starts without
// the focus, so its first activation comes when the user opens its menu or a window.
// Needs the running QApplication; main thread only.
class QtApplicationStateFeed {
public:
    explicit QtApplicationStateFeed(NotificationCenter& center);
    ~QtApplicationStateFeed();
    QtApplicationStateFeed(const QtApplicationStateFeed&) = delete;
    QtApplicationStateFeed& operator=(const QtApplicationStateFeed&) = delete;

private:
    void launched();
    void stateChanged(Qt::ApplicationState state);

    NotificationCenter& center_;
    QObject context_;  // ends the launch call still queued when the feed goes first
    QMetaObject::Connection connection_;
    bool active_ = false;
};

}  // namespace platform
