// Errors and exceptions the application handled, as "$exception" events.
//
// Each operation marks where the application called in (CallerFrame), so that the
// stack it samples begins at the application's frame rather than the client's.
#include "ZeraZov/Client/Private/NoThrow.h"
#include "ZeraZov/Client/Private/ZeraZovSDKParts.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Integrations/ErrorTracking/CallerFrame.h"
#include "ZeraZov/Integrations/ErrorTracking/ExceptionEntries.h"
#include "ZeraZov/Integrations/ErrorTracking/ExceptionEventProperties.h"

namespace zerazov {
namespace {

constexpr std::string_view mechanismType = "generic";

}  // namespace

template <typename Error>
void ZeraZovSDK::captureHandled(const Error& error, const std::optional<nlohmann::json>& properties) noexcept {
    try {
        const auto use = guard();
        if (!use) return;
        captureExceptionList(exceptionList(error, true, mechanismType, (*use)->config->errorTrackingConfig),
                             properties);
    } catch (...) {
        logFailure("captureException");
    }
}

[[gnu::noinline]] void ZeraZovSDK::captureException(const ZeraZovErrorValue& error,
                                                    const std::optional<nlohmann::json>& properties) noexcept {
    const CallerFrame caller(__builtin_return_address(0));
    captureHandled(error, properties);
}

[[gnu::noinline]] void ZeraZovSDK::captureException(const ZeraZovExceptionObject& exception,
                                                    const std::optional<nlohmann::json>& properties) noexcept {
    const CallerFrame caller(__builtin_return_address(0));
    captureHandled(exception, properties);
}

[[gnu::noinline]] void ZeraZovSDK::captureException(const std::exception_ptr& exception,
                                                    const std::optional<nlohmann::json>& properties) noexcept {
    const CallerFrame caller(__builtin_return_address(0));
    try {
        const auto object = ZeraZovExceptionObject::from(exception);
        if (object) captureHandled(*object, properties);
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
