#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_entry.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"

namespace zzcrash::ZZ::async {

zzcrash_error_t dwarf_entry_read(const zzcrash_async_mobject* mobj, const zzcrash_async_byteorder* byteorder,
                                 std::uint64_t address, dwarf_entry* entry) {
    std::uint64_t length = 0;
    if (zzcrash_async_dwarf_read_sized(mobj, byteorder, address, 0, 4, &length) != ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVAL;
    std::uint64_t header = 4;
    entry->id_size = 4;
    if (length == 0xffffffffu) {
        if (zzcrash_async_dwarf_read_sized(mobj, byteorder, address, 4, 8, &length) != ZZCRASH_ESUCCESS)
            return ZZCRASH_EINVAL;
        header = 12;
        entry->id_size = 8;
    }
    entry->length = length;
    if (__builtin_add_overflow(address, header, &entry->id_address) ||
        __builtin_add_overflow(entry->id_address, length, &entry->end))
        return ZZCRASH_EINVAL;
    return ZZCRASH_ESUCCESS;
}

}  // namespace zzcrash::ZZ::async
