#pragma once
#include <compare>
#include <ostream>
#include <string>

namespace tessivar::testing {

// One monitor of a test X server in root-window pixels (origin top-left of the
// whole screen, y down), as xrandr and RandR's monitor list give it.
struct MonitorGeometry {
    int width = 0;
    int height = 0;
    int x = 0;
    int y = 0;

    // "WxH+X+Y", the form xorg-dummy.sh takes.
    std::string toString() const {
        return std::to_string(width) + "x" + std::to_string(height) + "+" + std::to_string(x) + "+" + std::to_string(y);
    }

    friend auto operator<=>(const MonitorGeometry&, const MonitorGeometry&) = default;
};

inline std::ostream& operator<<(std::ostream& stream, const MonitorGeometry& monitor) {
    return stream << monitor.toString();
}

}  // namespace tessivar::testing
