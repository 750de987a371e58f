#pragma once
#include <optional>

#include "Platform/Desktop/CursorImage.h"

namespace platform {

// The current pointer picture, whichever application set it.
class CursorImageSource {
public:
    virtual ~CursorImageSource() = default;

    // Absent when the window system does not tell; callers draw a pointer of their own.
    virtual std::optional<CursorImage> currentCursorImage() = 0;
};

}  // namespace platform
