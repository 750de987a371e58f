#include "ZeraZov/Client/ZeraZovUnavailableIntegration.h"

namespace zerazov {

std::shared_ptr<ZeraZovIntegration> ZeraZovUnavailableIntegration::make(ZeraZovIntegrationKind kind) {
    return std::make_shared<ZeraZovUnavailableIntegration>(kind);
}

std::string_view ZeraZovUnavailableIntegration::typeName(ZeraZovIntegrationKind kind) {
    switch (kind) {
        case ZeraZovIntegrationKind::errorTrackingAutoCapture: return "ZeraZovErrorTrackingAutoCaptureIntegration";
        case ZeraZovIntegrationKind::screenViews: return "ZeraZovScreenViewIntegration";
        case ZeraZovIntegrationKind::appLifeCycle: return "ZeraZovAppLifeCycleIntegration";
    }
    return "ZeraZovIntegration";
}

}  // namespace zerazov
