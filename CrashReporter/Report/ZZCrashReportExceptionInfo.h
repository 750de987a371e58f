#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "CrashReporter/Report/ZZCrashReportStackFrameInfo.h"

// The uncaught exception that ended the process.
class ZZCrashReportExceptionInfo {
public:
    ZZCrashReportExceptionInfo(std::string exceptionName, std::string exceptionReason,
                               std::optional<std::vector<ZZCrashReportStackFrameInfo>> stackFrames)
        : exceptionName_(std::move(exceptionName)),
          exceptionReason_(std::move(exceptionReason)),
          stackFrames_(std::move(stackFrames)) {}

    const std::string& exceptionName() const { return exceptionName_; }
    // Empty when the exception gave none.
    const std::string& exceptionReason() const { return exceptionReason_; }
    // Nothing when the exception's call stack had no frames.
    const std::optional<std::vector<ZZCrashReportStackFrameInfo>>& stackFrames() const { return stackFrames_; }

private:
    std::string exceptionName_;
    std::string exceptionReason_;
    std::optional<std::vector<ZZCrashReportStackFrameInfo>> stackFrames_;
};
