#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "Platform/Desktop/Screen.h"

namespace platform {

// Status codes of moveCursor.
enum CursorMoveStatus : std::int32_t {
    kCursorMoveSuccess = 0,
    kCursorMoveUnknownDisplay = 1001,  // no display carries that id
    kCursorMoveNotPossible = 1004,     // the window system does not allow warping
};

// The displays and the pointer. Every call answers as things are now: a display
// change is seen by the next call after the window system reported it.
class Desktop {
public:
    virtual ~Desktop() = default;

    // All displays in system order, primary first.
    virtual std::vector<Screen> screens() = 0;
    // The pointer in global coordinates.
    virtual Point mouseLocation() = 0;
    // The display's rectangle with its size in points; empty for an unknown id.
    virtual Rect displayBounds(DisplayID display) = 0;
    // Puts the pointer on a display-local point; answers a CursorMoveStatus.
    virtual std::int32_t moveCursor(DisplayID display, Point local) = 0;
    // Runs on the main thread once after a burst of display changes: a display
    // added, removed, resized or moved, or another one made primary. One
    // handler at a time; setting one replaces the last.
    virtual void setScreensChangedHandler(std::function<void()> handler) = 0;
};

}  // namespace platform
