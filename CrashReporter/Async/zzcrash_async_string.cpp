#include "CrashReporter/Async/zzcrash_async_string.h"

#include <cstring>

int zzcrash_async_strncmp(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const auto left = static_cast<unsigned char>(a[i]);
        const auto right = static_cast<unsigned char>(b[i]);
        if (left != right || left == 0) return left - right;
    }
    return 0;
}

int zzcrash_async_strcmp(const char* a, const char* b) { return zzcrash_async_strncmp(a, b, static_cast<std::size_t>(-1)); }

void zzcrash_async_memcpy(void* destination, const void* source, std::size_t n) {
    auto* to = static_cast<unsigned char*>(destination);
    const auto* from = static_cast<const unsigned char*>(source);
    for (std::size_t i = 0; i < n; ++i) to[i] = from[i];
}

// The C library's memset touches only the buffer it is given, which makes it
// safe here; it is much faster than a byte loop on large fills.
void zzcrash_async_memset(void* buffer, int value, std::size_t n) {
    if (n == 0) return;
    std::memset(buffer, value, n);
}
