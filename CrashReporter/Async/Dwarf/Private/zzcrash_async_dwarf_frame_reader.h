#pragma once
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_fde_info.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

// One image's call-frame information section (eh_frame or debug_frame),
// searched for the FDE that covers a pc. The section's memory object belongs
// to the caller.
struct zzcrash_async_dwarf_frame_reader {
    const zzcrash_async_mobject* mobj;
    const zzcrash_async_byteorder* byteorder;
    bool m64;          // the image's pointers are 8 bytes wide
    bool debug_frame;  // the section is debug_frame: CIE ids are all ones, CIE pointers are offsets
};

zzcrash_error_t zzcrash_async_dwarf_frame_reader_init(zzcrash_async_dwarf_frame_reader* reader,
                                                      const zzcrash_async_mobject* mobj,
                                                      const zzcrash_async_byteorder* byteorder, bool m64,
                                                      bool debug_frame);

// Walks the section's entries from `offset` to the first FDE with
// pc_start <= pc < pc_end. Error 8 at the terminator or the section's end
// without one, 5 for an offset outside the section or an entry that cannot be
// read, or the error of the first FDE that cannot be parsed. Async-signal-safe.
zzcrash_error_t zzcrash_async_dwarf_frame_reader_find_fde(const zzcrash_async_dwarf_frame_reader* reader,
                                                          std::uint64_t offset, std::uint64_t pc,
                                                          zzcrash::ZZ::async::zzcrash_async_dwarf_fde_info* fde);

void zzcrash_async_dwarf_frame_reader_free(zzcrash_async_dwarf_frame_reader* reader);
