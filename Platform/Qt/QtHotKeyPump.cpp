#include "Platform/Qt/QtHotKeyPump.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>

#include "Platform/HotKeys/HotKeyEventSource.h"

namespace platform {

QtHotKeyPump::QtHotKeyPump(HotKeyEventSource& service, QObject* parent) : QObject(parent), service_(service) {
    const int descriptor = service_.connectionNumber();
    if (descriptor < 0) return;
    notifier_ = new QSocketNotifier(descriptor, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { service_.processPendingEvents(); });
    // Xlib reads events off the socket together with the replies the service
    // waits for (a registration syncs), and those sit in its queue with the
    // socket quiet; look there before the loop goes to sleep.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &QtHotKeyPump::drainQueuedEvents);
    }
}

void QtHotKeyPump::drainQueuedEvents() {
    if (service_.hasQueuedEvents()) service_.processPendingEvents();
}

}  // namespace platform
