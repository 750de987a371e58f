#pragma once
#include <QImage>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "Platform/Desktop/CursorImageSource.h"
#include "Platform/Desktop/Geometry.h"

namespace platform {
class CursorImageSource;
}

namespace tessivar {

// A pointer picture drawn three times larger for one display's backing scale:
// the cursor-scale effect shows it shrunk to the pointer's own size and grows
// it back.
struct EnlargedCursor {
    static constexpr double kEnlargement = 3;

    QImage image;             // device pixel ratio set, so it measures size * kEnlargement in points
    platform::Size size;      // the pointer's own size in points
    platform::Point hotSpot;  // from the pointer's top-left corner, in points
    std::string look;         // tells pictures apart: the pointer's serial, or the drawn arrow, and the scale

    // The window system's pointer picture; device pixels become points at `backingScale`.
    static EnlargedCursor fromCursorImage(const platform::CursorImage& cursor, double backingScale);
    // The drawn arrow, for when the window system does not give its picture.
    static EnlargedCursor drawnArrow(double backingScale);
    // Whether `cursor` has a picture and as many pixels as its size says.
    static bool isUsable(const platform::CursorImage& cursor);
};

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
