#pragma once
#include <cstdint>
#include <span>
#include <variant>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/ZZCrashReporterError.h"

// Reads a crash log file: the 7 bytes "zzcrash", the version byte 1 and one
// report message, unpacked by protobuf-c and turned into report objects.
class ZZCrashReportDecoder {
public:
    static std::variant<ZZCrashReport, ZZCrashReporterError> decode(std::span<const std::uint8_t> data);
};
