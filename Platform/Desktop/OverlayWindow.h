#pragma once
#include "Platform/Desktop/Geometry.h"

namespace platform {

// A borderless, translucent, click-through window above everything else that
// never takes keyboard focus and never activates the application. Frames are
// global coordinates.
class OverlayWindow {
public:
    virtual ~OverlayWindow() = default;

    virtual Rect frame() const = 0;
    virtual void setFrameOrigin(Point origin) = 0;
    // Shows the window without giving it focus.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isVisible() const = 0;
};

}  // namespace platform
