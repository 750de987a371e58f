#pragma once
#include <cstdint>
#include <utility>
#include <vector>

#include "CrashReporter/Report/ZZCrashReportRegisterInfo.h"
#include "CrashReporter/Report/ZZCrashReportStackFrameInfo.h"

// One thread of the crashed process: its frames, innermost first, and, for the
// thread that crashed, its registers.
class ZZCrashReportThreadInfo {
public:
    ZZCrashReportThreadInfo(std::int64_t threadNumber, std::vector<ZZCrashReportStackFrameInfo> stackFrames,
                            bool crashed, std::vector<ZZCrashReportRegisterInfo> registers)
        : threadNumber_(threadNumber),
          stackFrames_(std::move(stackFrames)),
          crashed_(crashed),
          registers_(std::move(registers)) {}

    std::int64_t threadNumber() const { return threadNumber_; }
    const std::vector<ZZCrashReportStackFrameInfo>& stackFrames() const { return stackFrames_; }
    bool crashed() const { return crashed_; }
    const std::vector<ZZCrashReportRegisterInfo>& registers() const { return registers_; }

private:
    std::int64_t threadNumber_;
    std::vector<ZZCrashReportStackFrameInfo> stackFrames_;
    bool crashed_;
    std::vector<ZZCrashReportRegisterInfo> registers_;
};
