#pragma once

namespace platform {

// A hot-key service that hears the window system through a connection the
// event loop watches: the loop calls processPendingEvents() when the
// connection's descriptor is readable and, before it sleeps, when events
// already wait in the service's own queue (read there with the replies of
// other requests, they leave the descriptor quiet).
class HotKeyEventSource {
public:
    virtual ~HotKeyEventSource() = default;

    // The connection's file descriptor, -1 without one.
    virtual int connectionNumber() const = 0;
    virtual bool hasQueuedEvents() const = 0;
    // Reads every event that has arrived, without blocking, and dispatches it.
    virtual void processPendingEvents() = 0;
};

}  // namespace platform
