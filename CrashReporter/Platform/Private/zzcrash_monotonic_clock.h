#pragma once
#include <time.h>

#include <cstdint>

// Milliseconds of the monotonic clock, for the crash path's deadlines.
// Async-signal-safe.
inline std::int64_t zzcrash_monotonic_ms() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}
