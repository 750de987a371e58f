#pragma once
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovStackFrame.h"

namespace zerazov {

// The "$exception_list" entry of a crash: named after its uncaught exception, else
// its signal (or the runtime failure a library's crash message describes), else its
// Mach exception; with the frames (innermost first) as its stack trace and the
// crashed thread's number. Nothing for a report with none of the three.
std::optional<nlohmann::json> crashReportException(const ZZCrashReport& report,
                                                   const std::vector<ZeraZovStackFrame>& frames);

// The crash message a library left, trimmed; nothing when it is missing or blank.
std::optional<std::string> crashInfoMessage(const ZZCrashReport& report);

// "SIGSEGV (code SEGV_MAPERR) at address 0x0000000000000010"; nothing without a
// signal name or code.
std::optional<std::string> signalExceptionValue(const ZZCrashReportSignalInfo& signalInfo);

// Every log has a signal section; a crash that was no signal (a Mach exception
// alone) is written there as signal 0, "#0".
bool namesSignal(const ZZCrashReportSignalInfo& signalInfo);

// The first thread marked as crashed, else the first thread; null without threads.
const ZZCrashReportThreadInfo* crashedThread(const ZZCrashReport& report);

}  // namespace zerazov
