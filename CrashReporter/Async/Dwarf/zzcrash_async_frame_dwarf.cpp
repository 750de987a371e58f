// The DWARF frame reader: the rules of the FDE that covers the pc, from the
// image's call-frame information (on Linux the only unwind tables there are).
#include <algorithm>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_entry.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/Frames/Private/zzcrash_async_frame_lookup.h"
#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"

using namespace zzcrash::ZZ::async;

namespace {

const zzcrash_async_macho_image* machoOf(const frame_lookup& lookup) {
    return lookup.is_macho() ? reinterpret_cast<const zzcrash_async_macho_image*>(lookup.image()) : nullptr;
}

const zzcrash_async_byteorder* byteorderOf(const frame_lookup& lookup) {
    const zzcrash_async_macho_image* macho = machoOf(lookup);
    return macho ? zzcrash_async_macho_byteorder(macho) : &zzcrash_async_byteorder_direct;
}

bool is64Bit(const frame_lookup& lookup) {
    const zzcrash_async_macho_image* macho = machoOf(lookup);
    return macho ? macho->m64 : true;
}

zzcrash_error_t mapSection(const frame_lookup& lookup, zzcrash_async_frame_section* section) {
    section->debug_frame = false;
    if (const zzcrash_async_macho_image* macho = machoOf(lookup)) {
        if (zzcrash_async_macho_map_section(macho, "__TEXT", "__eh_frame", &section->mobj) == ZZCRASH_ESUCCESS)
            return ZZCRASH_ESUCCESS;
        section->debug_frame = true;
        return zzcrash_async_macho_map_section(macho, "__DWARF", "__debug_frame", &section->mobj);
    }
    if (lookup.is_elf())
        return zzcrash_async_elf_map_eh_frame(reinterpret_cast<const zzcrash_async_elf_image*>(lookup.image()),
                                              &section->mobj);
    return ZZCRASH_ENOTFOUND;
}

// The image's section, mapped once and kept for the frames that follow in
// the same image.
bool useSection(zzcrash_async_frame_cursor* cursor, const frame_lookup& lookup) {
    zzcrash_async_frame_section* section = &cursor->dwarf_section;
    if (section->image == lookup.image()) return true;
    zzcrash_async_frame_section_release(section);
    if (mapSection(lookup, section) != ZZCRASH_ESUCCESS) return false;
    section->image = lookup.image();
    return true;
}

// Runs the CIE's and the FDE's programs up to the pc and takes the row they
// leave; each program lies in the object its entry was parsed from.
template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t runPrograms(const zzcrash_async_mobject* cieObject, const zzcrash_async_dwarf_cie_info* cie,
                            const zzcrash_async_mobject* fdeObject, const zzcrash_async_dwarf_fde_info* fde,
                            const zzcrash_async_byteorder* order, machine_ptr pc,
                            dwarf_cfa_row<machine_ptr, machine_ptr_s>* row) {
    const gnu_ehptr_reader<machine_ptr> pointers(order);
    dwarf_cfa_state<machine_ptr, machine_ptr_s> state;
    const auto start = static_cast<machine_ptr>(fde->pc_start);
    ZZCRASH_TRY(state.eval_program(cieObject, pc, start, cie, &pointers, order,
                                   static_cast<machine_ptr>(zzcrash_async_mobject_base_address(cieObject)),
                                   static_cast<std::int64_t>(cie->initial_instructions_offset),
                                   cie->initial_instructions_length));
    ZZCRASH_TRY(state.eval_program(fdeObject, pc, start, cie, &pointers, order,
                                   static_cast<machine_ptr>(zzcrash_async_mobject_base_address(fdeObject)),
                                   static_cast<std::int64_t>(fde->instructions_offset), fde->instructions_length));
    return state.get_row(cie, row);
}

// Searches the whole section for the FDE of the pc.
template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t findRow(const zzcrash_async_frame_section* section, const zzcrash_async_byteorder* order,
                        machine_ptr pc, dwarf_cfa_row<machine_ptr, machine_ptr_s>* row) {
    const zzcrash_async_mobject* mobj = &section->mobj;
    zzcrash_async_dwarf_frame_reader reader;
    zzcrash_async_dwarf_frame_reader_init(&reader, mobj, order, sizeof(machine_ptr) == 8, section->debug_frame);
    zzcrash_async_dwarf_fde_info fde;
    ZZCRASH_TRY(zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, pc, &fde));
    const auto base = static_cast<machine_ptr>(zzcrash_async_mobject_base_address(mobj));
    const gnu_ehptr_reader<machine_ptr> pointers(order);
    zzcrash_async_dwarf_cie_info cie;
    ZZCRASH_TRY(zzcrash_async_dwarf_cie_info_init<machine_ptr>(&cie, mobj, order, &pointers,
                                                               static_cast<machine_ptr>(base + fde.cie_offset)));
    return runPrograms(mobj, &cie, mobj, &fde, order, pc, row);
}

// The FDE a step found through the search table, copied for the step alone.
struct FdeCopy {
    zzcrash_async_mobject mobj;
    std::uint8_t bytes[ZZCRASH_ASYNC_CFI_ENTRY_BYTES];
};

// The blocks of the images' read-only data a walk with a cache keeps.
zzcrash_async_page_cache* pagesOf(const zzcrash_async_frame_cursor* cursor) {
    return cursor->cache ? &cursor->cache->pages : nullptr;
}

// Copies the CIE or FDE at `address`: as much of the section as the buffer
// takes, which must hold the whole entry.
zzcrash_error_t copyEntry(const zzcrash_async_frame_cursor* cursor, const zzcrash_async_elf_image* image,
                          std::uint64_t address, std::uint8_t* buffer, zzcrash_async_mobject* mobj) {
    const std::uint64_t sectionEnd = image->eh_frame_address + image->eh_frame_size;
    if (address < image->eh_frame_address || address >= sectionEnd) return ZZCRASH_EINVAL;
    const std::uint64_t length = std::min<std::uint64_t>(ZZCRASH_ASYNC_CFI_ENTRY_BYTES, sectionEnd - address);
    ZZCRASH_TRY(zzcrash_async_mobject_init_in(mobj, image->task, address, length, buffer, ZZCRASH_ASYNC_CFI_ENTRY_BYTES,
                                              pagesOf(cursor)));
    dwarf_entry entry{};
    ZZCRASH_TRY(dwarf_entry_read(mobj, &zzcrash_async_byteorder_direct, address, &entry));
    return entry.end - address <= length ? ZZCRASH_ESUCCESS : ZZCRASH_ENOMEM;
}

// The FDE's CIE: the copy the cursor's cache keeps, or a new copy, into the
// cache or else into `local`.
zzcrash_error_t useCie(zzcrash_async_frame_cursor* cursor, const zzcrash_async_elf_image* image,
                       const zzcrash_async_mobject* fdeObject, std::uint64_t fdeAddress, zzcrash_async_cie_copy* local,
                       const zzcrash_async_cie_copy** used) {
    dwarf_entry entry{};
    std::uint64_t pointer = 0;
    ZZCRASH_TRY(dwarf_entry_read(fdeObject, &zzcrash_async_byteorder_direct, fdeAddress, &entry));
    ZZCRASH_TRY(zzcrash_async_dwarf_read_sized(fdeObject, &zzcrash_async_byteorder_direct, entry.id_address, 0,
                                               entry.id_size, &pointer));
    if (pointer == 0 || pointer > entry.id_address) return ZZCRASH_EINVAL;
    const std::uint64_t address = entry.id_address - pointer;
    zzcrash_async_unwind_cache* cache = cursor->cache;
    *used = cache ? zzcrash_async_unwind_cache_find_cie(cache, &image->image, address) : nullptr;
    if (*used) return ZZCRASH_ESUCCESS;
    zzcrash_async_cie_copy* copy = cache ? zzcrash_async_unwind_cache_cie_slot(cache) : local;
    ZZCRASH_TRY(copyEntry(cursor, image, address, copy->bytes, &copy->mobj));
    const gnu_ehptr_reader<std::uint64_t> pointers(&zzcrash_async_byteorder_direct);
    ZZCRASH_TRY(zzcrash_async_dwarf_cie_info_init<std::uint64_t>(&copy->memo.cie, &copy->mobj,
                                                                 &zzcrash_async_byteorder_direct, &pointers, address));
    copy->memo.valid = true;
    copy->memo.address = address;
    copy->image = &image->image;
    *used = copy;
    return ZZCRASH_ESUCCESS;
}

// The row of the pc from the FDE the image's search table names, with only
// that FDE and its CIE copied. Error 8 when the table names none that covers
// the pc; any other error leaves the search to the whole section.
zzcrash_error_t findRowByTable(zzcrash_async_frame_cursor* cursor, const zzcrash_async_elf_image* image,
                               std::uint64_t pc, FdeCopy* copy, dwarf_cfa_row<std::uint64_t, std::int64_t>* row) {
    std::uint64_t candidates[4];
    std::uint32_t count = 0;
    ZZCRASH_TRY(zzcrash_async_elf_fde_candidates(image, pagesOf(cursor), pc, candidates, 4, &count));
    zzcrash_async_cie_copy local;
    for (std::uint32_t i = 0; i < count; ++i) {
        ZZCRASH_TRY(copyEntry(cursor, image, candidates[i], copy->bytes, &copy->mobj));
        const zzcrash_async_cie_copy* cie = nullptr;
        ZZCRASH_TRY(useCie(cursor, image, &copy->mobj, candidates[i], &local, &cie));
        zzcrash_async_dwarf_cie_memo memo = cie->memo;
        zzcrash_async_dwarf_fde_info fde;
        ZZCRASH_TRY(zzcrash_async_dwarf_fde_info_init<std::uint64_t>(&fde, &copy->mobj, &zzcrash_async_byteorder_direct,
                                                                     candidates[i], false, &memo));
        if (fde.pc_start <= pc && pc < fde.pc_end)
            return runPrograms(&cie->mobj, &cie->memo.cie, &copy->mobj, &fde, &zzcrash_async_byteorder_direct, pc, row);
    }
    return ZZCRASH_ENOTFOUND;
}

const zzcrash_async_elf_image* tabledElf(const frame_lookup& lookup) {
    if (!lookup.is_elf()) return nullptr;
    const auto* elf = reinterpret_cast<const zzcrash_async_elf_image*>(lookup.image());
    return elf->fde_table_count > 0 ? elf : nullptr;
}

// The row of the pc: through the image's search table where it has one,
// else by a search through its whole section. `section` receives the object
// the row's expressions lie in.
template <typename machine_ptr, typename machine_ptr_s>
zzcrash_async_frame_error searchRow(zzcrash_async_frame_cursor* cursor, const frame_lookup& lookup, machine_ptr pc,
                                    FdeCopy* fdeCopy, dwarf_cfa_row<machine_ptr, machine_ptr_s>* found,
                                    const zzcrash_async_mobject** section) {
    if constexpr (sizeof(machine_ptr) == 8) {
        if (const zzcrash_async_elf_image* elf = tabledElf(lookup)) {
            const zzcrash_error_t error = findRowByTable(cursor, elf, pc, fdeCopy, found);
            if (error == ZZCRASH_ENOTFOUND) return ZZCRASH_FRAME_ENOTSUP;
            *section = &fdeCopy->mobj;
            if (error == ZZCRASH_ESUCCESS) return ZZCRASH_FRAME_ESUCCESS;
        }
    }
    if (!useSection(cursor, lookup)) return ZZCRASH_FRAME_ENOFRAME;
    *section = &cursor->dwarf_section.mobj;
    if (findRow(&cursor->dwarf_section, byteorderOf(lookup), pc, found) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_ENOTSUP;
    return ZZCRASH_FRAME_ESUCCESS;
}

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_async_frame_error unwind(zzcrash_async_frame_cursor* cursor, const frame_lookup& lookup,
                                 zzcrash_async_frame_unwound* caller) {
    using Row = dwarf_cfa_row<machine_ptr, machine_ptr_s>;
    constexpr bool cacheable = sizeof(machine_ptr) == 8;
    const zzcrash_async_byteorder* order = byteorderOf(lookup);
    const auto pc = static_cast<machine_ptr>(lookup.pc());
    const Row* row = nullptr;
    Row found;
    if constexpr (cacheable) {
        if (cursor->cache) row = zzcrash_async_unwind_cache_lookup(cursor->cache, lookup.image(), pc);
    }
    const zzcrash_async_mobject* section = nullptr;
    FdeCopy fdeCopy;
    if (!row) {
        const zzcrash_async_frame_error error = searchRow(cursor, lookup, pc, &fdeCopy, &found, &section);
        if (error != ZZCRASH_FRAME_ESUCCESS) return error;
        row = &found;
        if constexpr (cacheable) {
            if (cursor->cache && !found.uses_expressions())
                zzcrash_async_unwind_cache_store(cursor->cache, lookup.image(), pc, &found);
        }
    }
    if (dwarf_cfa_row_apply(row, &cursor->memory, &cursor->frame, order, section, &caller->state) != ZZCRASH_ESUCCESS)
        return ZZCRASH_FRAME_ENOFRAME;
    caller->pc_exact = row->signal_frame;
    return ZZCRASH_FRAME_ESUCCESS;
}

}  // namespace

zzcrash_async_frame_error zzcrash_async_frame_read_dwarf(zzcrash_async_frame_cursor* cursor,
                                                         zzcrash_async_frame_unwound* caller) {
    const frame_lookup lookup(cursor);
    if (lookup.status() != ZZCRASH_FRAME_ESUCCESS) return lookup.status();
    if (is64Bit(lookup)) return unwind<std::uint64_t, std::int64_t>(cursor, lookup, caller);
    return unwind<std::uint32_t, std::int32_t>(cursor, lookup, caller);
}

void zzcrash_async_frame_section_release(zzcrash_async_frame_section* section) {
    if (section->image) zzcrash_async_mobject_free(&section->mobj);
    section->image = nullptr;
}
