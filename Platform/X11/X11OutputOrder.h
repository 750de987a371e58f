#pragma once
#include <string>
#include <vector>

#include "Platform/Desktop/ScreenArrangement.h"

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// The X server's outputs as RandR lists them (the order `xrandr` prints),
// the primary moved to the front; outputs without a CRTC show nothing and are
// left out. Asks over a connection of its own, opened at the first question.
class X11OutputOrder : public OutputOrder {
public:
    // Opens $DISPLAY (or `displayName`); without a server or RandR the order is empty.
    explicit X11OutputOrder(const char* displayName = nullptr);

    std::vector<std::string> connectorNames() override;

private:
    X11LazyDisplay display_;
};

}  // namespace platform
