#pragma once
#include <cstdint>
#include <vector>

#include "Platform/Desktop/Geometry.h"

namespace platform {

// The pointer's picture as the window system shows it, in device pixels.
struct CursorImage {
    int width = 0;
    int height = 0;
    Point hotSpot;                      // from the image's top-left corner, in pixels
    std::uint64_t serial = 0;           // changes whenever the pointer's picture changes
    std::vector<std::uint32_t> pixels;  // premultiplied 0xAARRGGBB, row by row
};

}  // namespace platform
