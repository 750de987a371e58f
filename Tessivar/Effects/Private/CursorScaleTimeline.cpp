#include "Tessivar/Effects/Private/CursorScaleTimeline.h"

#include "Tessivar/Effects/Private/Keyframes.h"

namespace tessivar {

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
