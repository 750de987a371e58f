#pragma once
#include <cstdint>
#include <vector>

namespace zerazov {

// When repeated clicks count as a rage click: at least `minimumTapCount` of them
// within `timeoutInterval` seconds and `thresholdPoints` of each other. Values are
// kept as given. Nothing detects rage clicks on this platform yet; the settings
// are here for an application to fill in ahead of that.
struct ZeraZovRageClickConfig {
    bool enabled = true;
    double thresholdPoints = 30.0;
    double timeoutInterval = 1.0;
    std::int64_t minimumTapCount = 3;
};

// What rage-click detection would work from: the clicks seen so far and the limits
// taken from the settings when it was made. Nothing collects clicks on this
// platform yet, so the list stays as made and no rage click is reported; the
// settings are copied, so that later changes to a configuration do not move the
// limits of a detection under way.
class RageClickDetector {
public:
    struct Click {
        double posX = 0;
        double posY = 0;
        double timestamp = 0;  // seconds
    };

    explicit RageClickDetector(const ZeraZovRageClickConfig& config = {})
        : thresholdPoints_(config.thresholdPoints),
          timeoutInterval_(config.timeoutInterval),
          minimumTapCount_(config.minimumTapCount) {}

    const std::vector<Click>& clicks() const { return clicks_; }
    double thresholdPoints() const { return thresholdPoints_; }
    double timeoutInterval() const { return timeoutInterval_; }
    std::int64_t minimumTapCount() const { return minimumTapCount_; }

private:
    std::vector<Click> clicks_;
    double thresholdPoints_;
    double timeoutInterval_;
    std::int64_t minimumTapCount_;
};

}  // namespace zerazov
