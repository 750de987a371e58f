#pragma once

namespace tessivar {

// The progress from 0 to 1 of a value moved by a spring: `response` is the
// period of its undamped swing in seconds, `dampingFraction` 1 the least
// damping that does not overshoot (less swings past 1 and back).
struct Spring {
    double response = 0.5;
    double dampingFraction = 1.0;

    double value(double seconds) const;
    // From then on the value stays within a thousandth of 1.
    double settlingSeconds() const;
};

}  // namespace tessivar
