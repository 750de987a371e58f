#pragma once
#include <cstdint>
#include <optional>
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

// The current pointer picture, whichever application set it.
class CursorImageSource {
public:
    virtual ~CursorImageSource() = default;

    // Absent when the window system does not tell; callers draw a pointer of their own.
    virtual std::optional<CursorImage> currentCursorImage() = 0;
    // The serial of the picture on show as far as the window system has said,
    // without asking it: a picture read before with this serial is still the
    // one on show. Absent when that is not known.
    virtual std::optional<std::uint64_t> knownSerial() = 0;
};

}  // namespace platform
