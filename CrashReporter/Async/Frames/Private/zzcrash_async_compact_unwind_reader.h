#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

inline constexpr int ZZCRASH_CPU_TYPE_ARM64 = 0x0100000c;

// The compact unwind table of a Mach-O image (the "__unwind_info" section of
// "__TEXT", format version 1): a 32-bit encoding per function that says how
// to find its caller's registers. The section's memory object belongs to the
// caller.
struct zzcrash_async_compact_unwind_reader {
    const zzcrash_async_mobject* mobj;
    int cputype;
    struct {
        std::uint32_t version;
        std::uint32_t common_encodings_offset;
        std::uint32_t common_encodings_count;
        std::uint32_t personality_offset;
        std::uint32_t personality_count;
        std::uint32_t index_offset;
        std::uint32_t index_count;
    } header;
    const zzcrash_async_byteorder* byteorder;
};

// Error 4 for a CPU type other than i386, x86-64 and ARM64 or a version other
// than 1; error 5 when the 28-byte header is not in the section.
zzcrash_error_t zzcrash_async_compact_unwind_reader_init(zzcrash_async_compact_unwind_reader* reader,
                                                         const zzcrash_async_mobject* mobj, int cputype);

// The encoding of the function that holds `pc` (an offset from the image's
// header) and that function's offset: the last first-level entry at or below
// the pc, then the last entry of its second-level page (regular or
// compressed) at or below it. Error 8 when no entry starts at or below the
// pc, 5 for tables outside the section or an unknown page kind.
// Async-signal-safe.
zzcrash_error_t zzcrash_async_compact_unwind_reader_find_pc(const zzcrash_async_compact_unwind_reader* reader,
                                                            std::uint64_t pc, std::uint64_t* function_base,
                                                            std::uint32_t* encoding);

void zzcrash_async_compact_unwind_reader_free(zzcrash_async_compact_unwind_reader* reader);
