#pragma once
#include <optional>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace zerazov {

class ZeraZovSDK;

// Why an integration would not install.
enum class ZeraZovIntegrationInstallError {
    alreadyInstalled = 0,
    disabledInRemoteConfig = 1,
    notAvailableOnThisPlatform = 2,
};

// "Already installed to another ZeraZovSDK instance", "Disabled in remote config",
// "Not available on this platform".
inline std::string_view describe(ZeraZovIntegrationInstallError error) {
    switch (error) {
    case ZeraZovIntegrationInstallError::alreadyInstalled: return "Already installed to another ZeraZovSDK instance";
    case ZeraZovIntegrationInstallError::disabledInRemoteConfig: return "Disabled in remote config";
    case ZeraZovIntegrationInstallError::notAvailableOnThisPlatform: return "Not available on this platform";
    }
    return "Not available on this platform";
}

// An optional part of the client (application lifecycle, screen views, error
// tracking) that hooks into one client instance while it is installed. The client
// owns its installed integrations and calls them on the thread of the operation
// that changed something.
class ZeraZovIntegration {
public:
    virtual ~ZeraZovIntegration() = default;

    // The integration's type name, as the client's diagnostics name it.
    virtual std::string_view typeName() const = 0;
    virtual bool requiresSwizzling() const = 0;
    // Nothing on success, else why it refused; runs with the client's set-up lock held.
    virtual std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK& sdk) = 0;
    virtual void uninstall(ZeraZovSDK& sdk) = 0;
    // {"distinct_id": ..., "event_properties": {...}}: who events belong to now and
    // what an event captured now would carry.
    virtual void updateContext(const nlohmann::json& context) = 0;
};

}  // namespace zerazov
