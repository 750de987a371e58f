#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_entry.h"

using namespace zzcrash::ZZ::async;

namespace {

bool isFde(const zzcrash_async_dwarf_frame_reader* reader, const dwarf_entry& entry, std::uint64_t id) {
    const std::uint64_t allOnes = entry.id_size == 8 ? ~std::uint64_t{0} : 0xffffffffu;
    return reader->debug_frame ? id != allOnes : id != 0;
}

zzcrash_error_t parseFde(const zzcrash_async_dwarf_frame_reader* reader, std::uint64_t address,
                         zzcrash_async_dwarf_fde_info* fde, zzcrash_async_dwarf_cie_memo* memo) {
    if (reader->m64)
        return zzcrash_async_dwarf_fde_info_init<std::uint64_t>(fde, reader->mobj, reader->byteorder, address,
                                                                reader->debug_frame, memo);
    return zzcrash_async_dwarf_fde_info_init<std::uint32_t>(
        fde, reader->mobj, reader->byteorder, static_cast<std::uint32_t>(address), reader->debug_frame, memo);
}

}  // namespace

zzcrash_error_t zzcrash_async_dwarf_frame_reader_init(zzcrash_async_dwarf_frame_reader* reader,
                                                      const zzcrash_async_mobject* mobj,
                                                      const zzcrash_async_byteorder* byteorder, bool m64,
                                                      bool debug_frame) {
    *reader = {mobj, byteorder, m64, debug_frame};
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t zzcrash_async_dwarf_frame_reader_find_fde(const zzcrash_async_dwarf_frame_reader* reader,
                                                          std::uint64_t offset, std::uint64_t pc,
                                                          zzcrash_async_dwarf_fde_info* fde) {
    const std::uint64_t base = zzcrash_async_mobject_base_address(reader->mobj);
    const std::uint64_t end = base + zzcrash_async_mobject_length(reader->mobj);
    std::uint64_t address = 0;
    if (__builtin_add_overflow(base, offset, &address) || address >= end) return ZZCRASH_EINVAL;
    zzcrash_async_dwarf_cie_memo memo{};
    while (address < end) {
        dwarf_entry entry{};
        std::uint64_t id = 0;
        if (dwarf_entry_read(reader->mobj, reader->byteorder, address, &entry) != ZZCRASH_ESUCCESS)
            return ZZCRASH_EINVAL;
        if (entry.length == 0) return ZZCRASH_ENOTFOUND;
        if (zzcrash_async_dwarf_read_sized(reader->mobj, reader->byteorder, entry.id_address, 0, entry.id_size, &id) !=
            ZZCRASH_ESUCCESS)
            return ZZCRASH_EINVAL;
        if (isFde(reader, entry, id)) {
            const zzcrash_error_t error = parseFde(reader, address, fde, &memo);
            if (error != ZZCRASH_ESUCCESS) return error;
            if (fde->pc_start <= pc && pc < fde->pc_end) return ZZCRASH_ESUCCESS;
        }
        address = entry.end;
    }
    return ZZCRASH_ENOTFOUND;
}

void zzcrash_async_dwarf_frame_reader_free(zzcrash_async_dwarf_frame_reader*) {}
