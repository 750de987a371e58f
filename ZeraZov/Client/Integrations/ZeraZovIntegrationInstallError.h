#pragma once
#include <string_view>

namespace zerazov {

// Why an integration would not install.
enum class ZeraZovIntegrationInstallError {
    alreadyInstalled = 0,
    disabledInRemoteConfig = 1,
    notAvailableOnThisPlatform = 2,
};

// "Already installed to another ZeraZovSDK instance", "Disabled in remote config",
// "Not available on this platform".
std::string_view describe(ZeraZovIntegrationInstallError error);

}  // namespace zerazov
