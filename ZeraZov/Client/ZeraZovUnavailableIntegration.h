#pragma once
#include <memory>
#include <string_view>

#include "ZeraZov/Client/ZeraZovIntegration.h"
#include "ZeraZov/Core/ZeraZovIntegrationKind.h"

namespace zerazov {

// What a configuration gets for an integration this platform does not have: it
// names itself like the real one and refuses to install.
class ZeraZovUnavailableIntegration final : public ZeraZovIntegration {
public:
    explicit ZeraZovUnavailableIntegration(ZeraZovIntegrationKind kind) : kind_(kind) {}

    static std::shared_ptr<ZeraZovIntegration> make(ZeraZovIntegrationKind kind);
    // "ZeraZovErrorTrackingAutoCaptureIntegration", "ZeraZovScreenViewIntegration",
    // "ZeraZovAppLifeCycleIntegration".
    static std::string_view typeName(ZeraZovIntegrationKind kind);

    std::string_view typeName() const override { return typeName(kind_); }
    bool requiresSwizzling() const override { return kind_ == ZeraZovIntegrationKind::screenViews; }
    std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK&) override {
        return ZeraZovIntegrationInstallError::notAvailableOnThisPlatform;
    }
    void uninstall(ZeraZovSDK&) override {}
    void updateContext(const nlohmann::json&) override {}

private:
    ZeraZovIntegrationKind kind_;
};

}  // namespace zerazov
