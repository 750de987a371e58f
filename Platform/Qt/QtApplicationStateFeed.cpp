#include "Platform/Qt/QtApplicationStateFeed.h"

#include <QGuiApplication>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace platform {

QtApplicationStateFeed::QtApplicationStateFeed(NotificationCenter& center) : center_(center) {
    connection_ = QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &context_,
                                   [this](Qt::ApplicationState state) { stateChanged(state); });
    // From the event loop, so that what the program sets up after the feed (the
    // analytics client) hears the launch too.
    QMetaObject::invokeMethod(
        &context_, [this] { launched(); }, Qt::QueuedConnection);
}

QtApplicationStateFeed::~QtApplicationStateFeed() { QObject::disconnect(connection_); }

// An application that already has the focus when it starts is told so like one
// that gets it later: nothing else would say it is active.
void QtApplicationStateFeed::launched() {
    center_.post(ApplicationNotifications::didFinishLaunching);
    stateChanged(QGuiApplication::applicationState());
}

// Hidden and suspended count as inactive; only a change between active and not is news.
void QtApplicationStateFeed::stateChanged(Qt::ApplicationState state) {
    const bool active = state == Qt::ApplicationActive;
    if (active == active_) return;
    active_ = active;
    center_.post(active ? ApplicationNotifications::didBecomeActive : ApplicationNotifications::didResignActive);
}

}  // namespace platform
