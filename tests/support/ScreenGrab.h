#pragma once
#include <cstdint>
#include <vector>

namespace tessivar::testing {

// A rectangle of the screen as a client reads it back: 0xRRGGBB pixels, row by row.
struct ScreenGrab {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    bool empty() const { return pixels.empty(); }
    // The pixel at a root-window point inside the rectangle.
    std::uint32_t atRoot(int rootX, int rootY) const {
        return pixels[static_cast<std::size_t>((rootY - y) * width + (rootX - x))];
    }
};

}  // namespace tessivar::testing
