#pragma once
#include <memory>

#include "Platform/Desktop/CountingCursorHider.h"

namespace platform {

// Hides the pointer on every display of an X server with XFixes. The server
// shows the pointer again by itself if this connection goes away, so a crashed
// Tessivar cannot leave it hidden.
class X11CursorHider : public CountingCursorHider {
public:
    // Opens its own connection to $DISPLAY (or `displayName`); without a server or
    // without XFixes every call only counts.
    explicit X11CursorHider(const char* displayName = nullptr);
    ~X11CursorHider() override;
    X11CursorHider(const X11CursorHider&) = delete;
    X11CursorHider& operator=(const X11CursorHider&) = delete;

    bool isConnected() const;

protected:
    void applyHidden(bool hidden) override;

private:
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

}  // namespace platform
