#pragma once
#include "Platform/Desktop/CompositingDetector.h"

struct _XDisplay;

namespace platform {

// A compositing manager announces itself by owning the selection
// _NET_WM_CM_S<screen> of the screen it composites. Asks over a connection of
// its own.
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
};

}  // namespace platform
