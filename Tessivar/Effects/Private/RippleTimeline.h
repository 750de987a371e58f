#pragma once

namespace tessivar {

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

}  // namespace tessivar
