#include "ZeraZov/Core/ZeraZovClientDefaults.h"

#include "Platform/Foundation/BundleInfo.h"
#include "ZeraZov/Core/Utils.h"

namespace zerazov {

std::string ZeraZovClientDefaults::logsServiceName() { return logsServiceName(platform::BundleInfo::main().identifier); }

std::string ZeraZovClientDefaults::logsServiceName(const std::string& bundleIdentifier) {
    return bundleIdentifier.empty() ? unknownServiceName : bundleIdentifier;
}

std::string ZeraZovClientDefaults::logsServiceVersion() { return appShortVersion().value_or(""); }

}  // namespace zerazov
