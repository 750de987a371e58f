#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"

namespace zerazov {

std::string ZeraZovClientDefaults::logsServiceName(const std::string& bundleIdentifier) {
    return bundleIdentifier.empty() ? unknownServiceName : bundleIdentifier;
}

}  // namespace zerazov
