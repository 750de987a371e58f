// The compact-unwind frame reader: the cheapest source of a Mach-O image's
// unwind rules, one 32-bit encoding per function.
#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_entry.h"
#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_reader.h"
#include "CrashReporter/Async/Frames/Private/zzcrash_async_frame_lookup.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

namespace {

zzcrash_async_frame_error unwind(zzcrash_async_frame_cursor* cursor, const zzcrash_async_macho_image* image,
                                 const zzcrash_async_mobject* section, std::uint64_t pc,
                                 zzcrash_async_frame_unwound* caller) {
    const auto cputype = static_cast<int>(zzcrash_async_macho_cpu_type(image));
    zzcrash_async_compact_unwind_reader reader;
    if (zzcrash_async_compact_unwind_reader_init(&reader, section, cputype) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_EINVAL;
    const std::uint64_t header = image->image.header_address;
    std::uint64_t function = 0;
    std::uint32_t encoding = 0;
    zzcrash_async_compact_unwind_entry entry;
    if (zzcrash_async_compact_unwind_reader_find_pc(&reader, pc - header, &function, &encoding) != ZZCRASH_ESUCCESS ||
        zzcrash_async_compact_unwind_entry_init(&entry, cputype, encoding) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_ENOTSUP;
    if (entry.type == ZZCRASH_ASYNC_CUNWIND_TYPE_NONE) return ZZCRASH_FRAME_ENOFRAME;
    std::uint64_t functionAddress = 0;
    if (__builtin_add_overflow(header, function, &functionAddress)) return ZZCRASH_FRAME_EINVAL;
    if (zzcrash_async_compact_unwind_entry_apply(&cursor->memory, functionAddress, &cursor->frame, &entry,
                                                 &caller->state) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_ENOFRAME;
    caller->pc_exact = false;
    return ZZCRASH_FRAME_ESUCCESS;
}

}  // namespace

zzcrash_async_frame_error zzcrash_async_frame_read_compact_unwind(zzcrash_async_frame_cursor* cursor,
                                                                  zzcrash_async_frame_unwound* caller) {
    // Only Mach-O images have compact unwind tables: a list of other images
    // is not searched at all (the walker asks this reader first on every step).
    if (cursor->image_list->format != &zzcrash_async_macho_image_format) {
        if (!zzcrash_async_thread_state_has_reg(&cursor->frame, ZZCRASH_REG_IP)) return ZZCRASH_FRAME_EBADFRAME;
        return ZZCRASH_FRAME_ENOTSUP;
    }
    const zzcrash::ZZ::async::frame_lookup lookup(cursor);
    if (lookup.status() != ZZCRASH_FRAME_ESUCCESS) return lookup.status();
    const auto* image = reinterpret_cast<const zzcrash_async_macho_image*>(lookup.image());
    zzcrash_async_mobject section;
    if (zzcrash_async_macho_map_section(image, "__TEXT", "__unwind_info", &section) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_ENOTSUP;
    const zzcrash_async_frame_error result = unwind(cursor, image, &section, lookup.pc(), caller);
    zzcrash_async_mobject_free(&section);
    return result;
}
