#include "Platform/Qt/QtApplicationStateFeed.h"

#include <QGuiApplication>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace platform {

QtApplicationStateFeed::QtApplicationStateFeed(NotificationCenter& center)
    : center_(center), active_(QGuiApplication::applicationState() == Qt::ApplicationActive) {
    connection_ = QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged,
                                   [this](Qt::ApplicationState state) { stateChanged(state); });
}

QtApplicationStateFeed::~QtApplicationStateFeed() { QObject::disconnect(connection_); }

// Hidden and suspended count as inactive; only a change between active and not is news.
void QtApplicationStateFeed::stateChanged(Qt::ApplicationState state) {
    const bool active = state == Qt::ApplicationActive;
    if (active == active_) return;
    active_ = active;
    center_.post(active ? ApplicationNotifications::didBecomeActive : ApplicationNotifications::didResignActive);
}

}  // namespace platform
