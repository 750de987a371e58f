#include "ZeraZov/Core/ZeraZovErrorTrackingConfig.h"

#include "ZeraZov/Core/ZeraZovClientDefaults.h"

namespace zerazov {

ZeraZovErrorTrackingConfig::ZeraZovErrorTrackingConfig(const platform::BundleInfo& program) {
    // The bundle identifier (or its stand-in) is what the service name uses too.
    inAppIncludes.push_back(ZeraZovClientDefaults::logsServiceName(program.identifier));
    if (!program.executableName.empty()) inAppIncludes.push_back(program.executableName);
}

}  // namespace zerazov
