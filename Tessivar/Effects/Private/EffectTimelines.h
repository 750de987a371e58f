#pragma once
#include <vector>

#include "Platform/Desktop/Geometry.h"
#include "Tessivar/Effects/LocatingEffect.h"

namespace tessivar {

// A timing curve from (0,0) to (1,1) with two control points, as animation
// systems define ease-out and ease-in-ease-out.
class TimingFunction {
public:
    static TimingFunction linear() { return {0, 0, 1, 1}; }
    static TimingFunction easeOut() { return {0, 0, 0.58, 1}; }
    static TimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

    TimingFunction(double x1, double y1, double x2, double y2) : x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}
    // Eased progress for a linear progress in [0, 1].
    double evaluate(double progress) const;

private:
    double x1_, y1_, x2_, y2_;
};

// Values at key times (fractions of the duration, ascending, first 0 and last 1);
// segment i runs from key time i to i + 1 with timing function i, or linearly
// when fewer functions are given. Progress outside [0, 1] holds the end values.
double evaluateKeyframes(const std::vector<double>& values, const std::vector<double>& keyTimes,
                         const std::vector<TimingFunction>& timing, double progress);

// The ring effect: a 16-point circle that grows to 4.25 times its size while
// fading from 0.75 to nothing over 0.32 s, eased out.
class RippleTimeline {
public:
    static constexpr double kDuration = 0.32;
    static constexpr double kDiameter = 16;
    static constexpr double kLineWidth = 1.5;

    struct Frame {
        double scale;
        double opacity;
    };

    static Frame at(double seconds);
};

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
