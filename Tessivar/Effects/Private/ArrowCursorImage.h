#pragma once
#include <QImage>

#include "Platform/Desktop/Geometry.h"

namespace tessivar {

// The arrow the cursor-scale effect enlarges when the window system does not
// give the pointer's own picture: a black arrow with a white rim, 16 x 24
// points, hot spot at its tip.
class ArrowCursorImage {
public:
    static platform::Size size() { return {16, 24}; }
    static platform::Point hotSpot() { return {1, 1}; }

    // Pixel size of the arrow drawn `enlargement` times larger for a display of
    // `backingScale`, each product truncated to whole pixels.
    static QSize bitmapPixels(double enlargement, double backingScale);
    // That bitmap, transparent around the arrow, with its device pixel ratio set
    // so that it measures size() * enlargement in points.
    static QImage render(double enlargement, double backingScale);
};

}  // namespace tessivar
