#pragma once
#include <QImage>
#include <string>

#include "Platform/Desktop/CursorImageSource.h"
#include "Platform/Desktop/Geometry.h"

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

}  // namespace tessivar
