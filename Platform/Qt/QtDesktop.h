#pragma once
#include "Platform/Desktop/Desktop.h"

namespace platform {

// The displays and the pointer as the running QGuiApplication sees them. Every
// call reads Qt's screen list afresh and once, so a display unplugged between
// two calls is simply absent from the second.
class QtDesktop : public Desktop {
public:
    std::vector<Screen> screens() override;
    Point mouseLocation() override;
    Rect displayBounds(DisplayID display) override;
    std::int32_t moveCursor(DisplayID display, Point local) override;
};

}  // namespace platform
