#pragma once
#include "Platform/Desktop/CursorHider.h"
#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// Hides the pointer on every display of an X server with XFixes. The server
// shows the pointer again by itself if this connection goes away, so a crashed
// Tessivar cannot leave it hidden.
class X11CursorHider : public CountingCursorHider {
public:
    // Its own connection to $DISPLAY (or `displayName`), opened by connect() or
    // the first hiding; without a server or without XFixes every call only counts.
    explicit X11CursorHider(const char* displayName = nullptr);
    ~X11CursorHider() override;
    X11CursorHider(const X11CursorHider&) = delete;
    X11CursorHider& operator=(const X11CursorHider&) = delete;

    // Opens the connection unless done already; whether the pointer can be hidden.
    [[nodiscard]] bool connect() { return display_.get() != nullptr; }

protected:
    void applyHidden(bool hidden) override;

private:
    X11LazyDisplay display_;
};

}  // namespace platform
