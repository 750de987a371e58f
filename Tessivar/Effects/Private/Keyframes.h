#pragma once
#include <vector>

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

}  // namespace tessivar
