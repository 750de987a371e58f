#pragma once
#include <cstdint>

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

}  // namespace zerazov
