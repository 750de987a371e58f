#pragma once
#include <string>
#include <vector>

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

}  // namespace platform
