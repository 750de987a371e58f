#include "ZeraZov/Integrations/ErrorTracking/ExceptionEntries.h"

#include <set>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/CurrentThread.h"
#include "ZeraZov/Integrations/ErrorTracking/CallerFrame.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ExceptionStackFrames.h"

namespace zerazov {
namespace {

using nlohmann::json;

json mechanism(std::string_view type, bool handled, bool synthetic) {
    return {{"type", type}, {"handled", handled}, {"synthetic", synthetic}};
}

void addStackTrace(json& entry, std::optional<json> stackTrace) {
    if (stackTrace) entry["stacktrace"] = std::move(*stackTrace);
}

const ZeraZovErrorValue* underlying(const ZeraZovErrorValue& error) { return error.underlyingError.get(); }

const ZeraZovExceptionObject* underlying(const ZeraZovExceptionObject& exception) {
    return exception.underlyingException.get();
}

// One entry per link of the chain that starts at `first`, stopping at the first
// link that is already in it.
template <typename Value>
json chainEntries(const Value& first, bool handled, std::string_view mechanismType,
                  const ZeraZovErrorTrackingConfig& config) {
    std::set<const Value*> seen;
    json list = json::array();
    for (const Value* link = &first; link && seen.insert(link).second; link = underlying(*link)) {
        list.push_back(exceptionEntry(*link, handled, mechanismType, config));
    }
    return list;
}

}  // namespace

// Each builder that samples the calling thread marks where the application called
// in, so that the stack begins at the application's frame (CallerFrame).
[[gnu::noinline]] json exceptionEntry(const ZeraZovErrorValue& error, bool handled, std::string_view mechanismType,
                                      const ZeraZovErrorTrackingConfig& config) {
    const CallerFrame caller(__builtin_return_address(0));
    json entry{{"type", error.typeName.value_or(error.domain)}, {"value", errorExceptionValue(error)}};
    if (const auto module = errorModuleName(error)) entry["module"] = *module;
    entry["thread_id"] = platform::CurrentThread::id();
    entry["mechanism"] = mechanism(mechanismType, handled, true);
    addStackTrace(entry, currentThreadStackFrames(config));
    return entry;
}

[[gnu::noinline]] json exceptionEntry(const ZeraZovExceptionObject& exception, bool handled,
                                      std::string_view mechanismType, const ZeraZovErrorTrackingConfig& config) {
    const CallerFrame caller(__builtin_return_address(0));
    json entry{{"thread_id", platform::CurrentThread::id()}};
    if (!exception.name.empty()) entry["type"] = exception.name;
    if (exception.reason && !exception.reason->empty()) entry["value"] = *exception.reason;
    const bool recordedStack = !exception.callStackReturnAddresses.empty();
    addStackTrace(entry, recordedStack ? stackFrames(exception.callStackReturnAddresses, config)
                                       : currentThreadStackFrames(config));
    entry["mechanism"] = mechanism(mechanismType, handled, !recordedStack);
    return entry;
}

[[gnu::noinline]] json exceptionList(const ZeraZovErrorValue& error, bool handled, std::string_view mechanismType,
                                     const ZeraZovErrorTrackingConfig& config) {
    const CallerFrame caller(__builtin_return_address(0));
    return chainEntries(error, handled, mechanismType, config);
}

[[gnu::noinline]] json exceptionList(const ZeraZovExceptionObject& exception, bool handled,
                                     std::string_view mechanismType, const ZeraZovErrorTrackingConfig& config) {
    const CallerFrame caller(__builtin_return_address(0));
    return chainEntries(exception, handled, mechanismType, config);
}

std::string errorExceptionValue(const ZeraZovErrorValue& error) {
    std::string value = error.debugDescription.value_or("");
    if (value.empty()) value = error.localizedDescription.empty() ? "Error" : error.localizedDescription;
    return value + " (Code: " + std::to_string(error.code) + ")";
}

std::optional<std::string> errorModuleName(const ZeraZovErrorValue& error) {
    const auto dot = error.domain.rfind('.');
    if (dot == std::string::npos || dot == 0) return std::nullopt;
    return error.domain.substr(0, dot);
}

}  // namespace zerazov
