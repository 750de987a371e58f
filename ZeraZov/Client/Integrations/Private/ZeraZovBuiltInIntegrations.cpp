#include "ZeraZov/Client/Integrations/Private/ZeraZovBuiltInIntegrations.h"

#include "ZeraZov/Client/Integrations/Private/ZeraZovAppLifeCycleIntegration.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovErrorTrackingAutoCaptureIntegration.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovScreenViewIntegration.h"
#include "ZeraZov/Core/Utilities/DIContainer.h"

namespace zerazov {

std::shared_ptr<ZeraZovIntegration> makeBuiltInIntegration(ZeraZovIntegrationKind kind,
                                                           AppLifecyclePublishing& lifecycle,
                                                           const std::function<platform::UserDefaults&()>& defaults,
                                                           const platform::BundleInfo& program) {
    switch (kind) {
    case ZeraZovIntegrationKind::appLifeCycle:
        if (!defaults) return nullptr;
        return std::make_shared<ZeraZovAppLifeCycleIntegration>(ZeraZovAppLifeCycleIntegration::Dependencies{
            lifecycle, defaults(), program, ZeraZovAppLifeCycleIntegration::ProcessState::shared()});
    case ZeraZovIntegrationKind::screenViews:
        return std::make_shared<ZeraZovScreenViewIntegration>(ZeraZovScreenViewIntegration::Dependencies{
            DI::main().screenViewPublisher(), ZeraZovScreenViewIntegration::sharedSlot()});
    case ZeraZovIntegrationKind::errorTrackingAutoCapture:
        return std::make_shared<ZeraZovErrorTrackingAutoCaptureIntegration>(
            ZeraZovErrorTrackingAutoCaptureIntegration::processDependencies());
    }
    return nullptr;
}

}  // namespace zerazov
