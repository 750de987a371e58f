#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"

// The Mach-O format's own numbers.
inline constexpr std::uint32_t ZZCRASH_MH_MAGIC = 0xfeedface;
inline constexpr std::uint32_t ZZCRASH_MH_CIGAM = 0xcefaedfe;
inline constexpr std::uint32_t ZZCRASH_MH_MAGIC_64 = 0xfeedfacf;
inline constexpr std::uint32_t ZZCRASH_MH_CIGAM_64 = 0xcffaedfe;
inline constexpr std::uint32_t ZZCRASH_LC_SEGMENT = 0x1;
inline constexpr std::uint32_t ZZCRASH_LC_SYMTAB = 0x2;
inline constexpr std::uint32_t ZZCRASH_LC_DYSYMTAB = 0xb;
inline constexpr std::uint32_t ZZCRASH_LC_SEGMENT_64 = 0x19;
inline constexpr std::uint32_t ZZCRASH_LC_UUID = 0x1b;

// The most the reader maps of one segment or section. Mapping copies the
// bytes, so a corrupt size must not make a crash handler copy gigabytes: a
// segment is mapped up to this much, a larger section not at all.
inline constexpr std::uint64_t ZZCRASH_MACHO_MAPPING_LIMIT = 64ull << 20;

// The first 28 bytes of a Mach-O header as they are in memory (unswapped).
struct zzcrash_async_macho_header_fields {
    std::uint32_t magic;
    std::uint32_t cputype;
    std::uint32_t cpusubtype;
    std::uint32_t filetype;
    std::uint32_t ncmds;
    std::uint32_t sizeofcmds;
    std::uint32_t flags;
};

// A Mach-O image loaded in a task, read without trusting its contents: the
// record the image list keeps for each image. It is filled once, when the
// image is added, and only read afterwards (at crash time too).
struct zzcrash_async_macho_image {
    zzcrash_async_image image;  // header address, __TEXT size, the list's node
    zzcrash_task_t task;
    std::uint64_t slide;  // header address - __TEXT vmaddr (modulo 2^64)
    char* name;           // a private copy of the image's path
    zzcrash_async_macho_header_fields header;
    std::uint32_t header_size;  // 28 or 32
    std::uint32_t ncmds;
    zzcrash_async_mobject load_cmds;
    std::uint64_t text_vmaddr;
    bool m64;
    const zzcrash_async_byteorder* byteorder;
};

// What the image list needs to keep Mach-O images.
extern const zzcrash_async_image_format zzcrash_async_macho_image_format;

// Not for the crash path (it copies the name): reads the header and load
// commands at `headerAddress`. Error 6 when the header cannot be copied, 5 for
// an unknown magic or no __TEXT segment, or the load commands' mapping error.
zzcrash_error_t zzcrash_async_macho_image_init(zzcrash_async_macho_image* image, zzcrash_task_t task, const char* name,
                                               std::uint64_t headerAddress);
void zzcrash_async_macho_image_free(zzcrash_async_macho_image* image);

// Everything below is async-signal-safe and allocates nothing.

// Whether header address <= address < header address + __TEXT size.
bool zzcrash_async_macho_contains_address(const zzcrash_async_macho_image* image, std::uint64_t address);
const zzcrash_async_byteorder* zzcrash_async_macho_byteorder(const zzcrash_async_macho_image* image);
const zzcrash_async_macho_header_fields* zzcrash_async_macho_header(const zzcrash_async_macho_image* image);
std::uint32_t zzcrash_async_macho_cpu_type(const zzcrash_async_macho_image* image);
std::uint32_t zzcrash_async_macho_cpu_subtype(const zzcrash_async_macho_image* image);

// Load commands are local pointers into the image's mapping of them. A command
// is given out only when its cmdsize is at least 8 and all its bytes lie in the
// mapping; the first one that is not ends the iteration.
const void* zzcrash_async_macho_command_iterate(const zzcrash_async_macho_image* image, const void* previous);
const void* zzcrash_async_macho_first_command_of_type(const zzcrash_async_macho_image* image, std::uint32_t type);
const void* zzcrash_async_macho_next_command_of_type(const zzcrash_async_macho_image* image, const void* previous,
                                                     std::uint32_t type);
// The command's type, in the image's byte order.
std::uint32_t zzcrash_async_macho_command_type(const zzcrash_async_macho_image* image, const void* command);
// The first segment command of the image's width named `segmentName` (16 bytes
// compared) whose fixed part lies in the mapping; null when none.
const void* zzcrash_async_macho_segment_command_by_name(const zzcrash_async_macho_image* image,
                                                        const char* segmentName);

// Maps the section [addr + slide, + size) with every byte readable. Error 8
// when the segment or section does not exist, 5 when a section header lies
// outside the load commands, 3 for a section above the mapping limit, else
// the mapping's error.
zzcrash_error_t zzcrash_async_macho_map_section(const zzcrash_async_macho_image* image, const char* segmentName,
                                                const char* sectionName, zzcrash_async_mobject* section);

// The 16 bytes of the image's LC_UUID command; false when it has none.
bool zzcrash_async_macho_uuid(const zzcrash_async_macho_image* image, std::uint8_t uuid[16]);
