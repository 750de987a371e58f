#pragma once
#include "Platform/Desktop/Screen.h"

namespace platform {

// Hides the hardware pointer. Display and application hides share one count:
// the pointer is hidden while the count is above zero, and a show or unhide at
// zero does nothing, so unbalanced calls can never leave it hidden for good.
class CursorHider {
public:
    virtual ~CursorHider() = default;

    virtual void hideCursor(DisplayID display) = 0;
    virtual void showCursor(DisplayID display) = 0;
    virtual void hideApplicationCursor() = 0;
    virtual void unhideApplicationCursor() = 0;
    virtual bool isHidden() const = 0;
};

}  // namespace platform
