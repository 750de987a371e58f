#pragma once
#include "Platform/Desktop/Geometry.h"
#include "Tessivar/Effects/LocatingEffect.h"

namespace tessivar {

// The cursor-scale effect in the square overlay (view coordinates, y down):
// a copy of the arrow drawn at three times its size is scaled from one third to
// full size by 0.1 s and back by 0.4 s around its top-left corner, while its
// top-left moves so that the arrow's hot spot stays on the overlay's centre; it
// fades out from 0.34 s.
class CursorScaleTimeline {
public:
    static constexpr double kDuration = 0.4;
    static constexpr double kOverlayCentre = kOverlaySide / 2;

    struct Frame {
        double scale;            // of the 3x image
        platform::Point origin;  // image's top-left in the overlay
        double opacity;
    };

    // hotSpot: distance of the hot spot from the arrow image's top-left, in points.
    explicit CursorScaleTimeline(platform::Point hotSpot) : hotSpot_(hotSpot) {}

    Frame at(double seconds) const;
    // Where the hot spot of the drawn arrow is at that moment.
    platform::Point hotSpotAt(double seconds) const;

private:
    platform::Point hotSpot_;
};

}  // namespace tessivar
