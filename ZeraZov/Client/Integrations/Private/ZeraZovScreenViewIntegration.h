#pragma once
#include <memory>
#include <optional>
#include <string>

#include "ZeraZov/Client/Integrations/Private/ZeraZovInstallSlot.h"
#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"
#include "ZeraZov/Core/Publishing/ScreenViewPublishing.h"

namespace zerazov {

// Connects an automatic source of screen views to one client: whatever the source
// reports through the publisher's handler becomes a "$screen" event. No such source
// exists on this platform, so screen views come only from explicit screen() calls;
// the integration still installs, once per process, and asks for swizzling as the
// configuration's switch expects.
class ZeraZovScreenViewIntegration final : public ZeraZovIntegration,
                                           public std::enable_shared_from_this<ZeraZovScreenViewIntegration> {
public:
    struct Dependencies {
        ScreenViewPublishing& publisher;
        ZeraZovInstallSlot& slot;
    };

    // The slot the process-wide publisher's integration holds.
    static ZeraZovInstallSlot& sharedSlot();

    explicit ZeraZovScreenViewIntegration(Dependencies dependencies) : dependencies_(dependencies) {}

    std::string_view typeName() const override { return "ZeraZovScreenViewIntegration"; }
    bool requiresSwizzling() const override { return true; }
    std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK& sdk) override;
    void uninstall(ZeraZovSDK& sdk) override;
    void updateContext(const nlohmann::json&) override {}

    // What the publisher's handler does with a screen name.
    void handleScreenView(const std::string& screenName);

private:
    Dependencies dependencies_;
    std::weak_ptr<ZeraZovSDK> zeraZov_;
};

}  // namespace zerazov
