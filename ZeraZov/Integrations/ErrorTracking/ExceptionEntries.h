#pragma once
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovErrorValue.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovExceptionObject.h"

namespace zerazov {

// The entries of an "$exception_list" for an error and each error under it, the
// outermost first, every one of a cycle once. Each carries "type", "value",
// "module" (when the domain has one), "thread_id", "mechanism" and, when the stack
// yields frames, the calling thread's "stacktrace".
nlohmann::json exceptionList(const ZeraZovErrorValue& error, bool handled, std::string_view mechanismType,
                             const ZeraZovErrorTrackingConfig& config);
// The same for an exception and the exceptions under it; an exception that recorded
// its stack has that stack, one that did not has the calling thread's and counts
// as synthetic.
nlohmann::json exceptionList(const ZeraZovExceptionObject& exception, bool handled, std::string_view mechanismType,
                             const ZeraZovErrorTrackingConfig& config);

nlohmann::json exceptionEntry(const ZeraZovErrorValue& error, bool handled, std::string_view mechanismType,
                              const ZeraZovErrorTrackingConfig& config);
nlohmann::json exceptionEntry(const ZeraZovExceptionObject& exception, bool handled, std::string_view mechanismType,
                              const ZeraZovErrorTrackingConfig& config);

// The debug description, else the localized one (or "Error"), then " (Code: N)".
std::string errorExceptionValue(const ZeraZovErrorValue& error);
// The domain before its last "."; nothing when that is empty or there is no ".".
std::optional<std::string> errorModuleName(const ZeraZovErrorValue& error);

}  // namespace zerazov
