#pragma once
#include <string>
#include <vector>

namespace zerazov {

// Error-tracking settings: whether crashes are captured automatically and which
// modules count as the application's own. Set before the client is set up and
// only read afterwards.
struct ZeraZovErrorTrackingConfig {
    ZeraZovErrorTrackingConfig();

    bool autoCapture = false;
    // Module-name prefixes; the defaults are the bundle identifier and the executable's name.
    std::vector<std::string> inAppIncludes;
    std::vector<std::string> inAppExcludes;
    bool inAppByDefault = true;
};

}  // namespace zerazov
