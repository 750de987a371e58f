#include "CrashReporter/Async/Dwarf/zzcrash_async_gnu_ehptr_reader.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/zzcrash_async_task.h"

namespace zzcrash::ZZ::async {

namespace {

std::uint64_t signExtended(std::uint64_t value, std::uint64_t size) {
    const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
    return (value ^ sign) - sign;
}

template <typename machine_ptr>
zzcrash_error_t readIndirect(const zzcrash_async_mobject* mobj, const zzcrash_async_byteorder* order,
                             machine_ptr address, machine_ptr* result) {
    if constexpr (sizeof(machine_ptr) == 8) {
        return zzcrash_async_task_read_uint64(mobj->task, order, address, 0, result);
    } else {
        return zzcrash_async_task_read_uint32(mobj->task, order, address, 0, result);
    }
}

}  // namespace

template <typename machine_ptr>
zzcrash_error_t gnu_ehptr_reader<machine_ptr>::read(const zzcrash_async_mobject* mobj, machine_ptr location,
                                                    std::int64_t offset, DW_EH_PE encoding, machine_ptr* result,
                                                    std::uint64_t* size) const {
    if (encoding == DW_EH_PE_omit) return ZZCRASH_ENOTFOUND;
    const auto position = static_cast<machine_ptr>(location + static_cast<machine_ptr>(offset));
    machine_ptr base = 0;
    zzcrash_error_t error = base_of(encoding, position, &base);
    if (error != ZZCRASH_ESUCCESS) return error;
    // An aligned value starts at the next multiple of the pointer size in
    // the mapping; the padding belongs to its size.
    machine_ptr padding = 0;
    if ((encoding & 0x70) == DW_EH_PE_aligned) {
        const machine_ptr local = position - frame_section_.value + frame_section_local_;
        padding = static_cast<machine_ptr>((sizeof(machine_ptr) - local % sizeof(machine_ptr)) % sizeof(machine_ptr));
        base = 0;
    }
    machine_ptr value = 0;
    std::uint64_t valueSize = 0;
    error = read_value(mobj, static_cast<machine_ptr>(position + padding), static_cast<DW_EH_PE>(encoding & 0x0f),
                       &value, &valueSize);
    if (error != ZZCRASH_ESUCCESS) return error;
    *size = padding + valueSize;
    *result = static_cast<machine_ptr>(base + value);
    if (encoding & DW_EH_PE_indirect) return readIndirect(mobj, byteorder_, *result, result);
    return ZZCRASH_ESUCCESS;
}

template <typename machine_ptr>
zzcrash_error_t gnu_ehptr_reader<machine_ptr>::base_of(DW_EH_PE encoding, machine_ptr position,
                                                       machine_ptr* value) const {
    const auto use = [value](const optional_base& chosen) {
        if (!chosen.set) return ZZCRASH_ENOTSUP;
        *value = chosen.value;
        return ZZCRASH_ESUCCESS;
    };
    switch (encoding & 0x70) {
    case DW_EH_PE_absptr: *value = 0; return ZZCRASH_ESUCCESS;
    case DW_EH_PE_pcrel: *value = position; return ZZCRASH_ESUCCESS;
    case DW_EH_PE_textrel: return use(text_);
    case DW_EH_PE_datarel: return use(data_);
    case DW_EH_PE_funcrel: return use(func_);
    case DW_EH_PE_aligned: return use(frame_section_);
    default: return ZZCRASH_ENOTSUP;
    }
}

template <typename machine_ptr>
zzcrash_error_t gnu_ehptr_reader<machine_ptr>::read_value(const zzcrash_async_mobject* mobj, machine_ptr position,
                                                          DW_EH_PE format, machine_ptr* value,
                                                          std::uint64_t* size) const {
    std::uint64_t raw = 0;
    std::uint64_t width = 0;
    bool isSigned = false;
    switch (format) {
    case DW_EH_PE_absptr: width = sizeof(machine_ptr); break;
    case DW_EH_PE_udata2: width = 2; break;
    case DW_EH_PE_udata4: width = 4; break;
    case DW_EH_PE_udata8: width = 8; break;
    case DW_EH_PE_sdata2: width = 2, isSigned = true; break;
    case DW_EH_PE_sdata4: width = 4, isSigned = true; break;
    case DW_EH_PE_sdata8: width = 8, isSigned = true; break;
    case DW_EH_PE_uleb128:
    case DW_EH_PE_sleb128: {
        std::int64_t signedRaw = 0;
        const zzcrash_error_t error = format == DW_EH_PE_uleb128
                                          ? zzcrash_async_dwarf_read_uleb128(mobj, position, 0, &raw, size)
                                          : zzcrash_async_dwarf_read_sleb128(mobj, position, 0, &signedRaw, size);
        *value = static_cast<machine_ptr>(format == DW_EH_PE_uleb128 ? raw : static_cast<std::uint64_t>(signedRaw));
        return error;
    }
    default: return ZZCRASH_ENOTSUP;
    }
    if (zzcrash_async_dwarf_read_sized(mobj, byteorder_, position, 0, width, &raw) != ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVAL;
    *value = static_cast<machine_ptr>(isSigned ? signExtended(raw, width) : raw);
    *size = width;
    return ZZCRASH_ESUCCESS;
}

template class gnu_ehptr_reader<std::uint32_t>;
template class gnu_ehptr_reader<std::uint64_t>;

}  // namespace zzcrash::ZZ::async
