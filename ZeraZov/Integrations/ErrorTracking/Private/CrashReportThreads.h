#pragma once
#include "CrashReporter/Report/ZZCrashReport.h"

namespace zerazov {

// The first thread marked as crashed, else the first thread; null without threads.
const ZZCrashReportThreadInfo* crashedThread(const ZZCrashReport& report);

}  // namespace zerazov
