#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// A NUL-terminated string in an image's memory whose length is not known until
// it is read: mapped on first use, a page at a time until its NUL is found.
struct zzcrash_async_macho_lazy_string {
    const zzcrash_async_macho_image* image;
    std::uint64_t address;
    zzcrash_async_mobject mobj;
    std::uint64_t length;  // bytes before the NUL, once mapped
    bool mapped;
};

// Each page more is mapped anew from the start, so the work grows with the
// square of the length: a string that has not ended within this many bytes is
// taken as corrupt.
inline constexpr std::uint64_t ZZCRASH_MACHO_LAZY_STRING_LIMIT = 64 * 1024;

// All async-signal-safe; nothing allocates.
void zzcrash_async_macho_lazy_string_init(zzcrash_async_macho_lazy_string* string,
                                          const zzcrash_async_macho_image* image, std::uint64_t address);
// The bytes before the NUL. Error 5 when the string runs into unreadable
// memory or past the limit, else the first mapping's error.
zzcrash_error_t zzcrash_async_macho_lazy_string_get_length(zzcrash_async_macho_lazy_string* string,
                                                           std::uint64_t* length);
// The local pointer of the string's bytes (NUL-terminated); error 7 when there is none.
zzcrash_error_t zzcrash_async_macho_lazy_string_get_pointer(zzcrash_async_macho_lazy_string* string,
                                                            const char** pointer);
void zzcrash_async_macho_lazy_string_free(zzcrash_async_macho_lazy_string* string);
