#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"

#include <filesystem>

#include "Platform/Foundation/DynamicLoader.h"
#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"

namespace zerazov {
namespace {

// A program that did not name itself is still the running one: its frames are
// the application's own, found by the name of the file it runs from.
std::string executableName(const platform::BundleInfo& program) {
    if (!program.executableName.empty()) return program.executableName;
    return std::filesystem::path(platform::DynamicLoader::mainProgramPath()).filename().string();
}

}  // namespace

ZeraZovErrorTrackingConfig::ZeraZovErrorTrackingConfig(const platform::BundleInfo& program) {
    // The bundle identifier (or its stand-in) is what the service name uses too.
    inAppIncludes.push_back(ZeraZovClientDefaults::logsServiceName(program.identifier));
    if (auto executable = executableName(program); !executable.empty()) inAppIncludes.push_back(std::move(executable));
}

}  // namespace zerazov
