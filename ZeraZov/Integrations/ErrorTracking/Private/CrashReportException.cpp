#include "ZeraZov/Integrations/ErrorTracking/Private/CrashReportException.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Utilities/UnicodeText.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ExceptionStackFrames.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/MachExceptionNames.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/RuntimeFailureMessage.h"

namespace zerazov {
namespace {

using nlohmann::json;

json mechanism(const char* type) { return {{"type", type}, {"handled", false}, {"synthetic", false}}; }

// A name the report gives, as the event shows it: a pending report is bytes on
// disk, whatever wrote them, and an escape sequence or any other control
// character in a name would reach whoever reads the event in a terminal.
// Each of them, and each ill-formed UTF-8 sequence, becomes U+FFFD.
std::string shownName(std::string_view name) {
    constexpr std::string_view replacement = "\xEF\xBF\xBD";
    const std::string valid = validUTF8(name);
    std::string shown;
    shown.reserve(valid.size());
    for (std::size_t at = 0; at < valid.size(); ++at) {
        const auto byte = static_cast<unsigned char>(valid[at]);
        const bool c1 = byte == 0xC2 && at + 1 < valid.size() && static_cast<unsigned char>(valid[at + 1]) < 0xA0;
        if (byte >= 0x20 && byte != 0x7F && !c1) {
            shown.push_back(valid[at]);
            continue;
        }
        shown.append(replacement);
        at += c1 ? 1 : 0;
    }
    return shown;
}

json exceptionEntry(const ZZCrashReportExceptionInfo& exception) {
    json entry = json::object();
    if (!exception.exceptionName().empty()) entry["type"] = shownName(exception.exceptionName());
    if (!exception.exceptionReason().empty()) entry["value"] = exception.exceptionReason();
    entry["mechanism"] = mechanism("nsexception");
    return entry;
}

json signalEntry(const ZZCrashReportSignalInfo& signal, const std::optional<std::string>& message) {
    json entry = json::object();
    const auto failure = message ? runtimeFailureKind(*message) : std::nullopt;
    const auto value = failure ? message : signalExceptionValue(signal);
    if (failure) entry["type"] = shownName(*failure);
    if (!failure && !signal.name().empty()) entry["type"] = shownName(signal.name());
    if (value) entry["value"] = *value;
    json details = json::object();
    if (!signal.code().empty()) details["code"] = shownName(signal.code());
    if (!signal.name().empty()) details["name"] = shownName(signal.name());
    if (message) details["crash_info_message"] = *message;
    entry["mechanism"] = mechanism("signal");
    entry["mechanism"]["meta"] = {{"signal", details}};
    return entry;
}

json machEntry(const ZZCrashReportMachExceptionInfo& machInfo) {
    json entry{{"type", machExceptionName(machInfo.type())}, {"value", machExceptionValue(machInfo)}};
    json details{{"exception", machInfo.type()}};
    const auto& codes = machInfo.codes();
    // Mach exception codes are signed; the value text reads them so, and so does this.
    if (!codes.empty()) details["code"] = static_cast<std::int64_t>(codes[0]);
    if (codes.size() > 1) details["subcode"] = codes[1];
    entry["mechanism"] = mechanism("mach_exception");
    entry["mechanism"]["meta"] = {{"mach", details}};
    return entry;
}

std::optional<json> caseEntry(const ZZCrashReport& report) {
    if (report.hasExceptionInfo()) return exceptionEntry(*report.exceptionInfo());
    if (namesSignal(report.signalInfo())) return signalEntry(report.signalInfo(), crashInfoMessage(report));
    if (report.machExceptionInfo()) return machEntry(*report.machExceptionInfo());
    return std::nullopt;
}

}  // namespace

std::optional<json> crashReportException(const ZZCrashReport& report, const std::vector<ZeraZovStackFrame>& frames) {
    auto entry = caseEntry(report);
    if (!entry) return std::nullopt;
    if (auto trace = stackTrace(frames)) (*entry)["stacktrace"] = std::move(*trace);
    if (const auto* thread = crashedThread(report)) (*entry)["thread_id"] = thread->threadNumber();
    return entry;
}

std::optional<std::string> crashInfoMessage(const ZZCrashReport& report) {
    const auto& message = report.signalInfo().crashInfoMessage();
    if (!message) return std::nullopt;
    const auto trimmed = trimmedWhitespaceAndNewlines(*message);
    return trimmed.empty() ? std::nullopt : std::optional<std::string>(trimmed);
}

std::optional<std::string> signalExceptionValue(const ZZCrashReportSignalInfo& signalInfo) {
    if (signalInfo.name().empty() || signalInfo.code().empty()) return std::nullopt;
    return shownName(signalInfo.name()) + " (code " + shownName(signalInfo.code()) + ") at address " +
           hexAddressText(signalInfo.address());
}

bool namesSignal(const ZZCrashReportSignalInfo& signalInfo) {
    return !signalInfo.name().empty() && signalInfo.name() != "#0";
}

const ZZCrashReportThreadInfo* crashedThread(const ZZCrashReport& report) {
    const auto& threads = report.threads();
    if (threads.empty()) return nullptr;
    const auto crashed = std::find_if(threads.begin(), threads.end(),
                                      [](const ZZCrashReportThreadInfo& thread) { return thread.crashed(); });
    return crashed != threads.end() ? &*crashed : &threads.front();
}

}  // namespace zerazov
