#pragma once
#include <string>
#include <vector>

#include "Platform/Foundation/BundleInfo.h"

namespace zerazov {

// Error-tracking settings: whether crashes are captured automatically and which
// modules count as the application's own. Set before the client is set up and
// only read afterwards.
struct ZeraZovErrorTrackingConfig {
    // The given program's modules count as the application's own.
    explicit ZeraZovErrorTrackingConfig(const platform::BundleInfo& program = {});

    bool autoCapture = false;
    // Module-name prefixes; the defaults are the program's bundle identifier and executable
    // name, or the name of the file this process runs from when the program gives none.
    std::vector<std::string> inAppIncludes;
    std::vector<std::string> inAppExcludes;
    bool inAppByDefault = true;
};

}  // namespace zerazov
