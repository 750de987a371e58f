#include "ZeraZov/Client/Integrations/Private/ZeraZovScreenViewIntegration.h"

#include "ZeraZov/Client/ZeraZovSDK.h"

namespace zerazov {

ZeraZovInstallSlot& ZeraZovScreenViewIntegration::sharedSlot() {
    static auto* slot = new ZeraZovInstallSlot();
    return *slot;
}

std::optional<ZeraZovIntegrationInstallError> ZeraZovScreenViewIntegration::install(ZeraZovSDK& sdk) {
    if (!dependencies_.slot.claim()) return ZeraZovIntegrationInstallError::alreadyInstalled;
    zeraZov_ = sdk.weak_from_this();
    dependencies_.publisher.setAutoCaptureHandler([weak = weak_from_this()](const std::string& screenName) {
        if (const auto self = weak.lock()) self->handleScreenView(screenName);
    });
    return std::nullopt;
}

void ZeraZovScreenViewIntegration::uninstall(ZeraZovSDK& sdk) {
    if (const auto holder = zeraZov_.lock(); holder && holder.get() != &sdk) return;
    dependencies_.publisher.setAutoCaptureHandler({});
    zeraZov_.reset();
    dependencies_.slot.release();
}

void ZeraZovScreenViewIntegration::handleScreenView(const std::string& screenName) {
    if (const auto client = zeraZov_.lock()) client->screen(screenName);
}

}  // namespace zerazov
