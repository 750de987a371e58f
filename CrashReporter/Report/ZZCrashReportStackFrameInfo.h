#pragma once
#include <cstdint>
#include <optional>
#include <utility>

#include "CrashReporter/Report/ZZCrashReportSymbolInfo.h"

// One frame of a stack: where it was, and its symbol when the writer found one.
class ZZCrashReportStackFrameInfo {
public:
    ZZCrashReportStackFrameInfo(std::uint64_t instructionPointer, std::optional<ZZCrashReportSymbolInfo> symbolInfo)
        : instructionPointer_(instructionPointer), symbolInfo_(std::move(symbolInfo)) {}

    std::uint64_t instructionPointer() const { return instructionPointer_; }
    const std::optional<ZZCrashReportSymbolInfo>& symbolInfo() const { return symbolInfo_; }

private:
    std::uint64_t instructionPointer_;
    std::optional<ZZCrashReportSymbolInfo> symbolInfo_;
};
