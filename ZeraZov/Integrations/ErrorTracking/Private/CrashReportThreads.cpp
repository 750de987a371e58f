#include "ZeraZov/Integrations/ErrorTracking/Private/CrashReportThreads.h"

#include <algorithm>

namespace zerazov {

const ZZCrashReportThreadInfo* crashedThread(const ZZCrashReport& report) {
    const auto& threads = report.threads();
    if (threads.empty()) return nullptr;
    const auto crashed = std::find_if(threads.begin(), threads.end(),
                                      [](const ZZCrashReportThreadInfo& thread) { return thread.crashed(); });
    return crashed != threads.end() ? &*crashed : &threads.front();
}

}  // namespace zerazov
