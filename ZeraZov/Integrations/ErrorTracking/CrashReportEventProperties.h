#pragma once
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovStackFrame.h"

namespace zerazov {

// The properties of the "$exception" event a crash report from an earlier run
// becomes: "$exception_level" "fatal", the crash's "$exception_list" entry (when
// the report names an exception, a signal or a Mach exception) and the
// "$debug_images" its frames lie in (when there are any). No text in them is
// longer than 8 KiB, whatever the report holds.
nlohmann::json crashReportEventProperties(const ZZCrashReport& report, const ZeraZovErrorTrackingConfig& config);

// The uncaught exception's stack when it recorded one, else the crashed thread's;
// innermost first, with the report's images and symbols. Frames are decided in app
// by their module alone; the innermost 512 at most, as many as the writer keeps.
std::vector<ZeraZovStackFrame> crashReportStackFrames(const ZZCrashReport& report,
                                                      const ZeraZovErrorTrackingConfig& config);

// The report's named images that the frames lie in, in the report's order.
nlohmann::json crashReportDebugImages(const ZZCrashReport& report, const std::vector<ZeraZovStackFrame>& frames);

// "x86_64", "arm64", "armv7", "armv7s" or "arm" for the processor of an image's
// code; nothing for any other.
std::optional<std::string> architectureName(const std::optional<ZZCrashReportProcessorInfo>& codeType);

}  // namespace zerazov
