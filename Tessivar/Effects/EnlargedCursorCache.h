#pragma once
#include <cstdint>
#include <map>
#include <optional>

#include "Tessivar/Effects/EnlargedCursor.h"

namespace platform {
class CursorImageSource;
}

namespace tessivar {

// The enlarged pointer of the cursor-scale effect. The pointer's picture is
// read on every jump (one request to the window system); the smooth
// enlargement is redone only when the picture or the display's backing scale
// changed, one picture kept per backing scale.
class EnlargedCursorCache {
public:
    // Without a source every effect enlarges the drawn arrow.
    explicit EnlargedCursorCache(platform::CursorImageSource* source) : source_(source) {}

    EnlargedCursor current(double backingScale);

private:
    struct Entry {
        std::optional<std::uint64_t> serial;  // none: the drawn arrow
        EnlargedCursor cursor;
    };

    platform::CursorImageSource* source_;
    std::map<double, Entry> entries_;
};

}  // namespace tessivar
