// The DWARF frame reader: the rules of the FDE that covers the pc, from the
// image's call-frame information (on Linux the only unwind tables there are).
#include "CrashReporter/Async/Private/zzcrash_async_frame_lookup.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"
#include "CrashReporter/Async/zzcrash_async_dwarf_cfa_state.h"
#include "CrashReporter/Async/zzcrash_async_dwarf_frame_reader.h"
#include "CrashReporter/Async/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/zzcrash_async_frame_cursor.h"
#include "CrashReporter/Async/zzcrash_async_macho_image.h"

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

// Runs the CIE's and the FDE's programs up to the pc and takes the row they leave.
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
    dwarf_cfa_state<machine_ptr, machine_ptr_s> state;
    const auto start = static_cast<machine_ptr>(fde.pc_start);
    ZZCRASH_TRY(state.eval_program(mobj, pc, start, &cie, &pointers, order, base,
                                   static_cast<std::int64_t>(cie.initial_instructions_offset),
                                   cie.initial_instructions_length));
    ZZCRASH_TRY(state.eval_program(mobj, pc, start, &cie, &pointers, order, base,
                                   static_cast<std::int64_t>(fde.instructions_offset), fde.instructions_length));
    return state.get_row(&cie, row);
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
    if (!row) {
        if (!useSection(cursor, lookup)) return ZZCRASH_FRAME_ENOFRAME;
        if (findRow(&cursor->dwarf_section, order, pc, &found) != ZZCRASH_ESUCCESS) return ZZCRASH_FRAME_ENOTSUP;
        row = &found;
        section = &cursor->dwarf_section.mobj;
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
