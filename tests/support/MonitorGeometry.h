#pragma once
#include <compare>
#include <iosfwd>
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
    std::string toString() const;

    friend auto operator<=>(const MonitorGeometry&, const MonitorGeometry&) = default;
};

std::ostream& operator<<(std::ostream& stream, const MonitorGeometry& monitor);

}  // namespace tessivar::testing
