#pragma once
#include <QObject>

class QSocketNotifier;

namespace platform {

class HotKeyEventSource;

// Feeds the hot-key service's connection into the Qt event loop, so hot-key
// events reach their handlers on the main thread.
class QtHotKeyPump : public QObject {
    Q_OBJECT
public:
    // Needs the application object; the service must outlive the pump.
    explicit QtHotKeyPump(HotKeyEventSource& service, QObject* parent = nullptr);

private:
    void drainQueuedEvents();

    HotKeyEventSource& service_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace platform
