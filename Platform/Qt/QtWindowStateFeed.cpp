#include "Platform/Qt/QtWindowStateFeed.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"

namespace platform {

QtWindowStateFeed::QtWindowStateFeed(NotificationCenter& center) : center_(center) {
    focusConnection_ = QObject::connect(qGuiApp, &QGuiApplication::focusWindowChanged, &context_,
                                        [this](QWindow* window) { focusWindowChanged(window); });
}

QtWindowStateFeed::~QtWindowStateFeed() {
    QObject::disconnect(focusConnection_);
    QObject::disconnect(screenConnection_);
}

std::optional<Size> QtWindowStateFeed::focusWindowScreenSize() {
    const QWindow* window = QGuiApplication::focusWindow();
    const QScreen* screen = window ? window->screen() : nullptr;
    if (!screen) return std::nullopt;
    const QSize size = screen->geometry().size();
    return Size{static_cast<double>(size.width()), static_cast<double>(size.height())};
}

// Only the focus window's screen is ever measured, so only its moves are news; a
// window losing the focus to another program is not (the last size stays true of
// the screen the user last worked on with this program).
void QtWindowStateFeed::focusWindowChanged(QWindow* window) {
    QObject::disconnect(screenConnection_);
    if (!window) return;
    screenConnection_ = QObject::connect(window, &QWindow::screenChanged, &context_,
                                         [this] { center_.post(WindowNotifications::didChangeScreen); });
    center_.post(WindowNotifications::didBecomeKey);
}

}  // namespace platform
