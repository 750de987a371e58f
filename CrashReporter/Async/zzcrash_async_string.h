#pragma once
#include <cstddef>
#include <cstring>

// String and memory routines for crash-time code: the comparisons are our
// own, the copies and fills use only C library routines POSIX names
// async-signal-safe. All async-signal-safe.

// The same as zzcrash_async_strcmp over at most `n` bytes (0 compares
// nothing): names in fixed-size fields need not end in a NUL.
inline int zzcrash_async_strncmp(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[i]);
        if (left != right || left == 0) return left - right;
    }
    return 0;
}

// Compares byte by byte until the bytes differ or the first string ends;
// answers the difference of the first differing bytes as unsigned values.
inline int zzcrash_async_strcmp(const char* a, const char* b) {
    return zzcrash_async_strncmp(a, b, static_cast<std::size_t>(-1));
}

// The C library's memcpy and memset touch only the buffers they are given
// (POSIX lists both as async-signal-safe), which makes them safe here; they
// are much faster than a byte loop on the blocks a crash write copies (whole
// pages of unwind tables, cached rows, the log's bytes).

// Copies `n` bytes; the ranges must not overlap.
inline void zzcrash_async_memcpy(void* destination, const void* source, std::size_t n) {
    if (n == 0) return;
    std::memcpy(destination, source, n);
}

// Fills `n` bytes with the low byte of `value`.
inline void zzcrash_async_memset(void* buffer, int value, std::size_t n) {
    if (n == 0) return;
    std::memset(buffer, value, n);
}
