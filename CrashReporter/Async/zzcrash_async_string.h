#pragma once
#include <cstddef>

// String and memory routines for crash-time code: the comparisons are our
// own, the copies and fills use only C library routines POSIX names
// async-signal-safe. All async-signal-safe.

// Compares byte by byte until the bytes differ or the first string ends;
// answers the difference of the first differing bytes as unsigned values.
int zzcrash_async_strcmp(const char* a, const char* b);
// The same over at most `n` bytes (0 compares nothing): names in fixed-size
// fields need not end in a NUL.
int zzcrash_async_strncmp(const char* a, const char* b, std::size_t n);
// Copies `n` bytes; the ranges must not overlap.
void zzcrash_async_memcpy(void* destination, const void* source, std::size_t n);
// Fills `n` bytes with the low byte of `value`.
void zzcrash_async_memset(void* buffer, int value, std::size_t n);
