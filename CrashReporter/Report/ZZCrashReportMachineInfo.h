#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "CrashReporter/Report/ZZCrashReportProcessorInfo.h"

// The hardware that crashed.
class ZZCrashReportMachineInfo {
public:
    ZZCrashReportMachineInfo(std::optional<std::string> modelName, ZZCrashReportProcessorInfo processorInfo,
                             std::uint64_t processorCount, std::uint64_t logicalProcessorCount)
        : modelName_(std::move(modelName)),
          processorInfo_(processorInfo),
          processorCount_(processorCount),
          logicalProcessorCount_(logicalProcessorCount) {}

    const std::optional<std::string>& modelName() const { return modelName_; }
    const ZZCrashReportProcessorInfo& processorInfo() const { return processorInfo_; }
    std::uint64_t processorCount() const { return processorCount_; }
    std::uint64_t logicalProcessorCount() const { return logicalProcessorCount_; }

private:
    std::optional<std::string> modelName_;
    ZZCrashReportProcessorInfo processorInfo_;
    std::uint64_t processorCount_;
    std::uint64_t logicalProcessorCount_;
};
