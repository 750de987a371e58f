#include "Hotkeys/Qt/Private/LocalEventMonitor.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace hotkeys {

namespace {
bool isWatched(const QEvent& event) {
    if (event.type() == QEvent::KeyPress) return true;
    if (event.type() != QEvent::MouseButtonRelease) return false;
    const auto button = static_cast<const QMouseEvent&>(event).button();
    return button == Qt::LeftButton || button == Qt::RightButton;
}
}  // namespace

LocalEventMonitor::LocalEventMonitor(Callback callback) : callback_(std::move(callback)) {}

LocalEventMonitor::~LocalEventMonitor() { stop(); }

void LocalEventMonitor::start() {
    if (running_ || !QCoreApplication::instance()) return;
    running_ = true;
    QCoreApplication::instance()->installEventFilter(this);
}

void LocalEventMonitor::stop() {
    if (!running_) return;
    running_ = false;
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

// The window system's event reaches the window first and is then handed to a
// widget; only the widget's delivery is shown.
bool LocalEventMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType() || !isWatched(*event)) return false;
    // A copy: the callback may release this monitor.
    const Callback callback = callback_;
    return callback(watched, event);
}

}  // namespace hotkeys
