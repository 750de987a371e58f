#pragma once
#include <QMetaObject>
#include <QObject>
#include <optional>

#include "Platform/Desktop/Geometry.h"

class QWindow;

namespace platform {

class NotificationCenter;

// Tells the rest of the program when one of its windows takes the keyboard and when
// that window moves to another screen, from Qt's focus window and its screen, as the
// notifications of WindowNotifications (the application's activation comes from
// QtApplicationStateFeed). Needs the running QGuiApplication; main thread only.
class QtWindowStateFeed {
public:
    explicit QtWindowStateFeed(NotificationCenter& center);
    ~QtWindowStateFeed();
    QtWindowStateFeed(const QtWindowStateFeed&) = delete;
    QtWindowStateFeed& operator=(const QtWindowStateFeed&) = delete;

    // The size of the focus window's screen in device-independent pixels; nothing
    // when no window of the program has the focus or it is on no screen.
    static std::optional<Size> focusWindowScreenSize();

private:
    void focusWindowChanged(QWindow* window);

    NotificationCenter& center_;
    QObject context_;  // ends the connections when the feed goes before the application
    QMetaObject::Connection focusConnection_;
    QMetaObject::Connection screenConnection_;
};

}  // namespace platform
