#pragma once
#include "Platform/Desktop/CompositingDetector.h"

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// A compositing manager announces itself by owning the selection
// _NET_WM_CM_S<screen> of the screen it composites. Asks once over a
// connection of its own, opened by connect() or the first question, then
// follows the selection's owner from XFixes' notices, so answering costs no
// round trip.
class X11CompositingDetector : public CompositingDetector {
public:
    // Opens $DISPLAY (or `displayName`); without a server it never sees a compositor.
    explicit X11CompositingDetector(const char* displayName = nullptr);

    // Opens the connection and asks, unless done already; whether there is a server.
    [[nodiscard]] bool connect() { return display_.get() != nullptr; }
    bool isCompositing() override;

private:
    [[nodiscard]] bool startFollowing(_XDisplay* display);

    X11LazyDisplay display_;
    unsigned long selection_ = 0;
    int fixesEventBase_ = -1;  // -1: no XFixes, so every answer asks
    bool owned_ = false;
};

}  // namespace platform
