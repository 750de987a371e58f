#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Desktop/Geometry.h"
#include "Platform/Desktop/Screen.h"

namespace platform {

// How the window system itself orders its active outputs: the primary output
// first, then the others in the order the server lists them. This order, not
// the order in which outputs happened to be plugged in, numbers the displays.
class OutputOrder {
public:
    virtual ~OutputOrder() = default;
    // Connector names ("DP-1", "HDMI-0") of the outputs that show a picture.
    virtual std::vector<std::string> connectorNames() = 0;
};

// One screen as the window system toolkit reports it, before it is numbered.
struct ScreenCandidate {
    std::string connector;
    Rect frame;  // any one coordinate space shared by all candidates
    bool isPrimary = false;
};

// Numbers the displays the way the user sees them, the same for the same
// outputs at every moment: the primary first, then the others in the window
// system's output order; screens that order does not name follow in the
// toolkit's order. A screen at the same place as an earlier one mirrors it
// (one picture shown on two outputs) and is left out, so one picture has one
// number. Answers the indices of the kept candidates in display order.
std::vector<std::size_t> arrangeScreens(const std::vector<ScreenCandidate>& candidates,
                                        const std::vector<std::string>& outputOrder);

// A display id stable per connector name ("DP-1", "HDMI-A-0"): FNV-1a over the
// name, never zero.
DisplayID displayIDForConnector(std::string_view connector);

}  // namespace platform
