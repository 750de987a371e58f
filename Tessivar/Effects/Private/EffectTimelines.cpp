#include "Tessivar/Effects/Private/EffectTimelines.h"

#include <algorithm>
#include <cmath>

namespace tessivar {

namespace {
double bezier(double a, double b, double t) {
    // One coordinate of a cubic Bezier with end points 0 and 1.
    const double u = 1 - t;
    return 3 * u * u * t * a + 3 * u * t * t * b + t * t * t;
}
}  // namespace

double TimingFunction::evaluate(double progress) const {
    const double x = std::clamp(progress, 0.0, 1.0);
    // Bisection on the curve's x: monotonic for control points inside [0, 1].
    double low = 0;
    double high = 1;
    double t = x;
    for (int i = 0; i < 60; ++i) {
        t = (low + high) * 0.5;
        if (bezier(x1_, x2_, t) < x) {
            low = t;
        } else {
            high = t;
        }
    }
    return bezier(y1_, y2_, t);
}

double evaluateKeyframes(const std::vector<double>& values, const std::vector<double>& keyTimes,
                         const std::vector<TimingFunction>& timing, double progress) {
    if (values.empty()) return 0;
    if (progress <= keyTimes.front()) return values.front();
    if (progress >= keyTimes.back()) return values.back();
    std::size_t segment = 0;
    while (segment + 2 < keyTimes.size() && progress >= keyTimes[segment + 1]) ++segment;
    const double span = keyTimes[segment + 1] - keyTimes[segment];
    const double local = span > 0 ? (progress - keyTimes[segment]) / span : 1;
    const double eased = segment < timing.size() ? timing[segment].evaluate(local) : local;
    return values[segment] + (values[segment + 1] - values[segment]) * eased;
}

RippleTimeline::Frame RippleTimeline::at(double seconds) {
    const double progress = seconds / kDuration;
    const std::vector<double> keyTimes{0, 1};
    const std::vector<TimingFunction> timing{TimingFunction::easeOut()};
    return Frame{evaluateKeyframes({1.0, 4.25}, keyTimes, timing, progress),
                 evaluateKeyframes({0.75, 0.0}, keyTimes, timing, progress)};
}

CursorScaleTimeline::Frame CursorScaleTimeline::at(double seconds) const {
    const double progress = seconds / kDuration;
    const std::vector<double> keyTimes{0, 0.25, 1.0};
    const std::vector<TimingFunction> timing{TimingFunction::easeOut(), TimingFunction::easeInEaseOut()};
    const double third = 1.0 / 3.0;
    const platform::Point base{kOverlayCentre - hotSpot_.x, kOverlayCentre - hotSpot_.y};
    const platform::Point grown{kOverlayCentre - 3 * hotSpot_.x, kOverlayCentre - 3 * hotSpot_.y};
    return Frame{
        evaluateKeyframes({third, 1.0, third}, keyTimes, timing, progress),
        {evaluateKeyframes({base.x, grown.x, base.x}, keyTimes, timing, progress),
         evaluateKeyframes({base.y, grown.y, base.y}, keyTimes, timing, progress)},
        evaluateKeyframes({1, 1, 1, 0}, {0, 0.25, 0.85, 1.0}, {}, progress),
    };
}

platform::Point CursorScaleTimeline::hotSpotAt(double seconds) const {
    const auto frame = at(seconds);
    // The image is drawn three times enlarged, so its hot spot sits at 3 * hotSpot.
    return {frame.origin.x + frame.scale * 3 * hotSpot_.x, frame.origin.y + frame.scale * 3 * hotSpot_.y};
}

}  // namespace tessivar
