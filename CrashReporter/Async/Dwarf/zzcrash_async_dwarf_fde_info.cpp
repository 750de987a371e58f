#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_fde_info.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_entry.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace zzcrash::ZZ::async {

namespace {

zzcrash_error_t cieAddress(const zzcrash_async_mobject* mobj, const dwarf_entry& entry, std::uint64_t pointer,
                           bool debugFrame, std::uint64_t* address) {
    if (debugFrame) {
        const auto offset = static_cast<std::int64_t>(pointer);
        if (offset < 0 || __builtin_add_overflow(zzcrash_async_mobject_base_address(mobj), pointer, address))
            return ZZCRASH_EINVAL;
        return ZZCRASH_ESUCCESS;
    }
    if (pointer > entry.id_address) return ZZCRASH_EINVAL;
    *address = entry.id_address - pointer;
    return ZZCRASH_ESUCCESS;
}

template <typename machine_ptr>
zzcrash_error_t parseCie(const zzcrash_async_mobject* mobj, const zzcrash_async_byteorder* byteorder,
                         std::uint64_t address, zzcrash_async_dwarf_cie_memo* memo) {
    if (memo->valid && memo->address == address) return ZZCRASH_ESUCCESS;
    memo->valid = false;
    const gnu_ehptr_reader<machine_ptr> reader(byteorder);
    ZZCRASH_TRY(zzcrash_async_dwarf_cie_info_init<machine_ptr>(&memo->cie, mobj, byteorder, &reader,
                                                               static_cast<machine_ptr>(address)));
    memo->valid = true;
    memo->address = address;
    return ZZCRASH_ESUCCESS;
}

DW_EH_PE pointerEncoding(const zzcrash_async_dwarf_cie_info& cie) {
    const zzcrash_async_dwarf_eh_augmentation& augmentation = cie.eh_augmentation;
    if (augmentation.has_eh_augmentation && augmentation.has_pointer_encoding)
        return static_cast<DW_EH_PE>(augmentation.pointer_encoding);
    return DW_EH_PE_absptr;
}

}  // namespace

template <typename machine_ptr>
zzcrash_error_t zzcrash_async_dwarf_fde_info_init(zzcrash_async_dwarf_fde_info* info, const zzcrash_async_mobject* mobj,
                                                  const zzcrash_async_byteorder* byteorder, machine_ptr fde_address,
                                                  bool debug_frame, zzcrash_async_dwarf_cie_memo* memo) {
    zzcrash_async_memset(info, 0, sizeof *info);
    zzcrash_async_dwarf_cie_memo ownMemo{};
    if (!memo) memo = &ownMemo;
    const std::uint64_t base = zzcrash_async_mobject_base_address(mobj);
    dwarf_entry entry{};
    ZZCRASH_TRY(dwarf_entry_read(mobj, byteorder, fde_address, &entry));
    info->fde_offset = entry.id_address - base;
    info->fde_length = entry.length;
    std::uint64_t pointer = 0;
    std::uint64_t cie = 0;
    if (zzcrash_async_dwarf_read_sized(mobj, byteorder, entry.id_address, 0, entry.id_size, &pointer) !=
        ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVAL;
    ZZCRASH_TRY(cieAddress(mobj, entry, pointer, debug_frame, &cie));
    info->cie_offset = cie - base;
    ZZCRASH_TRY(parseCie<machine_ptr>(mobj, byteorder, cie, memo));

    const DW_EH_PE encoding = pointerEncoding(memo->cie);
    const gnu_ehptr_reader<machine_ptr> reader(byteorder);
    std::uint64_t at = entry.id_address + entry.id_size;
    machine_ptr start = 0;
    machine_ptr range = 0;
    std::uint64_t size = 0;
    ZZCRASH_TRY(reader.read(mobj, static_cast<machine_ptr>(at), 0, encoding, &start, &size));
    at += size;
    ZZCRASH_TRY(
        reader.read(mobj, static_cast<machine_ptr>(at), 0, static_cast<DW_EH_PE>(encoding & 0x0f), &range, &size));
    at += size;
    machine_ptr end = 0;
    if (__builtin_add_overflow(start, range, &end)) return ZZCRASH_EINVAL;
    info->pc_start = start;
    info->pc_end = end;
    if (memo->cie.eh_augmentation.has_eh_augmentation) {
        std::uint64_t augmentationLength = 0;
        ZZCRASH_TRY(zzcrash_async_dwarf_read_uleb128(mobj, at, 0, &augmentationLength, &size));
        if (__builtin_add_overflow(at + size, augmentationLength, &at)) return ZZCRASH_EINVAL;
    }
    if (at > entry.end) return ZZCRASH_EINVAL;
    info->instructions_offset = at - base;
    info->instructions_length = entry.end - at;
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_dwarf_fde_info_free(zzcrash_async_dwarf_fde_info*) {}

std::uint64_t zzcrash_async_dwarf_fde_info_instructions_offset(const zzcrash_async_dwarf_fde_info* info) {
    return info->instructions_offset;
}

std::uint64_t zzcrash_async_dwarf_fde_info_instructions_length(const zzcrash_async_dwarf_fde_info* info) {
    return info->instructions_length;
}

template zzcrash_error_t zzcrash_async_dwarf_fde_info_init<std::uint32_t>(zzcrash_async_dwarf_fde_info*,
                                                                          const zzcrash_async_mobject*,
                                                                          const zzcrash_async_byteorder*, std::uint32_t,
                                                                          bool, zzcrash_async_dwarf_cie_memo*);
template zzcrash_error_t zzcrash_async_dwarf_fde_info_init<std::uint64_t>(zzcrash_async_dwarf_fde_info*,
                                                                          const zzcrash_async_mobject*,
                                                                          const zzcrash_async_byteorder*, std::uint64_t,
                                                                          bool, zzcrash_async_dwarf_cie_memo*);

}  // namespace zzcrash::ZZ::async
