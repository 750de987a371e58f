#pragma once
#include <string>
#include <vector>

#include "Platform/Desktop/OutputOrder.h"

struct _XDisplay;

namespace platform {

// The X server's outputs as RandR lists them (the order `xrandr` prints),
// the primary moved to the front; outputs without a CRTC show nothing and are
// left out. Asks over a connection of its own.
class X11OutputOrder : public OutputOrder {
public:
    // Opens $DISPLAY (or `displayName`); without a server or RandR the order is empty.
    explicit X11OutputOrder(const char* displayName = nullptr);
    ~X11OutputOrder() override;
    X11OutputOrder(const X11OutputOrder&) = delete;
    X11OutputOrder& operator=(const X11OutputOrder&) = delete;

    std::vector<std::string> connectorNames() override;

private:
    _XDisplay* display_ = nullptr;
};

}  // namespace platform
