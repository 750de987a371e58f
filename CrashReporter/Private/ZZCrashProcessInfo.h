#pragma once
#include <sys/time.h>
#include <sys/types.h>

#include <optional>
#include <string>

// Facts about one process, read from /proc when the reporter is enabled.
class ZZCrashProcessInfo {
public:
    // This process.
    static std::optional<ZZCrashProcessInfo> currentProcessInfo();
    // Nothing when the kernel cannot tell about `processID` (it is gone).
    static std::optional<ZZCrashProcessInfo> withProcessID(pid_t processID);

    pid_t processID() const { return processID_; }
    // The command name (at most 15 bytes) up to its first invalid UTF-8 byte;
    // nothing when that leaves no byte.
    const std::optional<std::string>& processName() const { return processName_; }
    pid_t parentProcessID() const { return parentProcessID_; }
    // When the process started, with the kernel's clock-tick precision.
    timeval startTime() const { return startTime_; }
    // Whether a debugger or another tracer is attached.
    bool isTraced() const { return traced_; }

private:
    ZZCrashProcessInfo() = default;

    pid_t processID_ = 0;
    std::optional<std::string> processName_;
    pid_t parentProcessID_ = 0;
    timeval startTime_{};
    bool traced_ = false;
};
