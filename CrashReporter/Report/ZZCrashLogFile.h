#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CrashReporter/ZZCrashReporterError.h"
#include "CrashReporter/zzcrash_log_bound.h"

// A crash log file read back whole, by the next launch or by a person's tool.
// Whatever sits at the path is untrusted: only a regular file is read (a
// directory, a FIFO or a device is refused without blocking on it), and only
// up to a size no crash log reaches, so that a stray 4 GB file or /dev/zero
// costs nothing. Nothing is thrown: a failure is the answer.
class ZZCrashLogFile {
public:
    // The bound the crash-time writer keeps every report within.
    static constexpr std::uint64_t maximumBytes = ZZCRASH_LOG_MAX_BYTES;

    // The file's bytes; nothing, and in `error` the path and why, when it is
    // not a regular file, is larger than `limit` or cannot be read.
    static std::optional<std::vector<std::uint8_t>> read(const std::string& path, ZZCrashReporterError* error,
                                                         std::uint64_t limit = maximumBytes);
};
