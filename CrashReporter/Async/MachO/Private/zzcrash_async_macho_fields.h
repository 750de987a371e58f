#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// Fields of load commands and section headers, read through a local pointer
// that the caller has already range-checked, in the image's byte order.
std::uint32_t zzcrash_async_macho_field32(const zzcrash_async_macho_image* image, const void* at, std::size_t offset);
std::uint64_t zzcrash_async_macho_field64(const zzcrash_async_macho_image* image, const void* at, std::size_t offset);
// A pointer-sized field: 8 bytes in 64-bit images, 4 (widened) in 32-bit ones.
std::uint64_t zzcrash_async_macho_field_word(const zzcrash_async_macho_image* image, const void* at,
                                             std::size_t offset);

// Whether `length` bytes from `command` lie inside the load commands: the
// fixed part of a command must, before any of its fields is read.
bool zzcrash_async_macho_command_fits(const zzcrash_async_macho_image* image, const void* command,
                                      std::uint64_t length);

// The fields of a segment command that the readers use.
struct zzcrash_async_macho_segment_fields {
    std::uint64_t vmaddr;
    std::uint64_t vmsize;
    std::uint64_t fileoff;
    std::uint64_t filesize;
    std::uint32_t nsects;
};
// Reads them from a command that segment_command_by_name returned.
zzcrash_async_macho_segment_fields zzcrash_async_macho_read_segment(const zzcrash_async_macho_image* image,
                                                                    const void* command);
