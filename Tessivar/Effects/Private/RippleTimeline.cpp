#include "Tessivar/Effects/Private/RippleTimeline.h"

#include "Tessivar/Effects/Private/Keyframes.h"

namespace tessivar {

RippleTimeline::Frame RippleTimeline::at(double seconds) {
    const double progress = seconds / kDuration;
    const std::vector<double> keyTimes{0, 1};
    const std::vector<TimingFunction> timing{TimingFunction::easeOut()};
    return Frame{evaluateKeyframes({1.0, 4.25}, keyTimes, timing, progress),
                 evaluateKeyframes({0.75, 0.0}, keyTimes, timing, progress)};
}

}  // namespace tessivar
