#pragma once
#include <QMetaObject>
#include <Qt>

namespace platform {

class NotificationCenter;

// Tells the rest of the program when the application becomes active and when it
// stops being so, from Qt's application state (on X11 it follows the focus: a
// window or menu of the program has it or not), as the notifications of
// ApplicationNotifications. Needs the running QApplication; main thread only.
class QtApplicationStateFeed {
public:
    explicit QtApplicationStateFeed(NotificationCenter& center);
    ~QtApplicationStateFeed();
    QtApplicationStateFeed(const QtApplicationStateFeed&) = delete;
    QtApplicationStateFeed& operator=(const QtApplicationStateFeed&) = delete;

private:
    void stateChanged(Qt::ApplicationState state);

    NotificationCenter& center_;
    QMetaObject::Connection connection_;
    bool active_;
};

}  // namespace platform
