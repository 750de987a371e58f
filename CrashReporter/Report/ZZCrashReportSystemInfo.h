#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "CrashReporter/Report/ZZCrashReportProcessorInfo.h"

// The operating system and the time of a crash.
class ZZCrashReportSystemInfo {
public:
    // Values outside these may come from a log and are kept as they are.
    enum class OperatingSystem : std::int32_t {
        macOSX = 0,
        iPhoneOS = 1,
        iPhoneSimulator = 2,
        unknown = 3,
        appleTVOS = 4,
        gnuLinux = 5
    };
    enum class Architecture : std::int32_t {
        x86_32 = 0,
        x86_64 = 1,
        armv6 = 2,
        ppc = 3,
        ppc64 = 4,
        armv7 = 5,
        unknown = 6
    };

    ZZCrashReportSystemInfo(OperatingSystem operatingSystem, std::string operatingSystemVersion,
                            std::optional<std::string> operatingSystemBuild, Architecture architecture,
                            ZZCrashReportProcessorInfo processorInfo, std::optional<std::chrono::sys_seconds> timestamp)
        : operatingSystem_(operatingSystem),
          operatingSystemVersion_(std::move(operatingSystemVersion)),
          operatingSystemBuild_(std::move(operatingSystemBuild)),
          architecture_(architecture),
          processorInfo_(processorInfo),
          timestamp_(timestamp) {}

    OperatingSystem operatingSystem() const { return operatingSystem_; }
    const std::string& operatingSystemVersion() const { return operatingSystemVersion_; }
    const std::optional<std::string>& operatingSystemBuild() const { return operatingSystemBuild_; }
    Architecture architecture() const { return architecture_; }
    // The machine's processor when the log has one, else the one the
    // architecture stands for.
    const ZZCrashReportProcessorInfo& processorInfo() const { return processorInfo_; }
    // Nothing when the writer could not read the clock.
    const std::optional<std::chrono::sys_seconds>& timestamp() const { return timestamp_; }

private:
    OperatingSystem operatingSystem_;
    std::string operatingSystemVersion_;
    std::optional<std::string> operatingSystemBuild_;
    Architecture architecture_;
    ZZCrashReportProcessorInfo processorInfo_;
    std::optional<std::chrono::sys_seconds> timestamp_;
};
