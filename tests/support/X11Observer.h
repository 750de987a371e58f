#pragma once
#include <optional>
#include <string>
#include <vector>

#include "tests/support/MonitorGeometry.h"

struct _XDisplay;

namespace tessivar::testing {

struct PointerPosition {
    int x = 0;
    int y = 0;
    friend bool operator==(const PointerPosition&, const PointerPosition&) = default;
};

// A connection of its own to a test X server, so that what a test reads does
// not go through the connection of the code under test.
class X11Observer {
public:
    explicit X11Observer(const std::string& displayName);
    ~X11Observer();
    X11Observer(const X11Observer&) = delete;
    X11Observer& operator=(const X11Observer&) = delete;

    bool isConnected() const { return display_ != nullptr; }

    // The pointer on the root window (XQueryPointer); absent without a connection.
    std::optional<PointerPosition> pointer() const;
    // RandR's active monitors, primary first.
    std::vector<MonitorGeometry> monitors() const;
    // Moves the pointer to a root-window point, as another client would.
    bool warpPointer(PointerPosition position) const;
    // How many pixels of the cursor the server shows now (XFixes) are not fully
    // transparent: 0 for a blank cursor, -1 without a connection.
    int visibleCursorPixels() const;
    // Asks XFixes to show the pointer on this connection and waits for the
    // server's answer (an error goes to the process's X error handler).
    bool showCursor() const;

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace tessivar::testing
