#pragma once
#include <cstdint>
#include <optional>

#include "Platform/Desktop/CursorImage.h"

namespace platform {

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
