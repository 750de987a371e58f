#include "ZeraZov/Core/ZeraZovErrorTrackingConfig.h"

#include "Platform/Foundation/BundleInfo.h"
#include "ZeraZov/Core/ZeraZovClientDefaults.h"

namespace zerazov {

ZeraZovErrorTrackingConfig::ZeraZovErrorTrackingConfig() {
    // The bundle identifier (or its stand-in) is what the service name uses too.
    inAppIncludes.push_back(ZeraZovClientDefaults::logsServiceName());
    const auto& executable = platform::BundleInfo::main().executableName;
    if (!executable.empty()) inAppIncludes.push_back(executable);
}

}  // namespace zerazov
