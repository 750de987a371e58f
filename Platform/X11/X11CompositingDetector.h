#pragma once
#include "Platform/Desktop/CompositingDetector.h"

struct _XDisplay;

namespace platform {

// A compositing manager announces itself by owning the selection
// _NET_WM_CM_S<screen> of the screen it composites. Asks once over a
// connection of its own, then follows the selection's owner from XFixes'
// notices, so answering costs no round trip.
class X11CompositingDetector : public CompositingDetector {
public:
    // Opens $DISPLAY (or `displayName`); without a server it never sees a compositor.
    explicit X11CompositingDetector(const char* displayName = nullptr);
    ~X11CompositingDetector() override;
    X11CompositingDetector(const X11CompositingDetector&) = delete;
    X11CompositingDetector& operator=(const X11CompositingDetector&) = delete;

    bool isCompositing() override;

private:
    _XDisplay* display_ = nullptr;
    unsigned long selection_ = 0;
    int fixesEventBase_ = -1;  // -1: no XFixes, so every answer asks
    bool owned_ = false;
};

}  // namespace platform
