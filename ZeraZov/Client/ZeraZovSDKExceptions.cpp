// Errors and exceptions the application handled, as "$exception" events.
//
// No lambda sits between these operations and the sampling of the stack: the
// client's own frames are recognised by their exported names, which lambdas lack.
#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Integrations/ExceptionEntries.h"
#include "ZeraZov/Integrations/ExceptionEventProperties.h"

namespace zerazov {
namespace {

constexpr std::string_view mechanismType = "generic";

}  // namespace

void ZeraZovSDK::captureException(const ZeraZovErrorValue& error,
                                  const std::optional<nlohmann::json>& properties) noexcept {
    try {
        const auto use = guard();
        if (!use) return;
        captureExceptionList(exceptionList(error, true, mechanismType, (*use)->config->errorTrackingConfig),
                             properties);
    } catch (...) {
        logFailure("captureException");
    }
}

void ZeraZovSDK::captureException(const ZeraZovExceptionObject& exception,
                                  const std::optional<nlohmann::json>& properties) noexcept {
    try {
        const auto use = guard();
        if (!use) return;
        captureExceptionList(exceptionList(exception, true, mechanismType, (*use)->config->errorTrackingConfig),
                             properties);
    } catch (...) {
        logFailure("captureException");
    }
}

void ZeraZovSDK::captureException(const std::exception_ptr& exception,
                                  const std::optional<nlohmann::json>& properties) noexcept {
    try {
        const auto object = ZeraZovExceptionObject::from(exception);
        if (object) captureException(*object, properties);
    } catch (...) {
        logFailure("captureException");
    }
}

void ZeraZovSDK::captureExceptionList(const nlohmann::json& list, const std::optional<nlohmann::json>& properties) {
    nlohmann::json eventProperties{{"$exception_level", "error"}};
    exceptionEventProperties(list, eventProperties);
    if (properties && properties->is_object()) eventProperties.update(*properties);
    capture("$exception", eventProperties);
}

}  // namespace zerazov
