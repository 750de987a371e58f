#include "ZeraZov/Client/Integrations/ZeraZovIntegrationInstallError.h"

namespace zerazov {

std::string_view describe(ZeraZovIntegrationInstallError error) {
    switch (error) {
    case ZeraZovIntegrationInstallError::alreadyInstalled: return "Already installed to another ZeraZovSDK instance";
    case ZeraZovIntegrationInstallError::disabledInRemoteConfig: return "Disabled in remote config";
    case ZeraZovIntegrationInstallError::notAvailableOnThisPlatform: return "Not available on this platform";
    }
    return "Not available on this platform";
}

}  // namespace zerazov
