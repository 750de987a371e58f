#pragma once
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cie_info.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// A frame description entry: the code range it describes and where its
// call-frame program is.
struct zzcrash_async_dwarf_fde_info {
    std::uint64_t fde_offset;  // section-relative, of the CIE-pointer field
    std::uint64_t fde_length;  // as stored
    std::uint64_t cie_offset;  // section-relative, of the CIE's length field
    std::uint64_t pc_start;
    std::uint64_t pc_end;               // first address after the range
    std::uint64_t instructions_offset;  // section-relative
    std::uint64_t instructions_length;
};

// A CIE parsed while reading FDEs, kept so that the FDEs that share it (most
// of a section's) do not parse it again.
struct zzcrash_async_dwarf_cie_memo {
    bool valid;
    std::uint64_t address;
    zzcrash_async_dwarf_cie_info cie;
};

// Parses the FDE whose length field is at `fde_address`, and its CIE. In
// debug_frame the CIE pointer is a section offset, in eh_frame the distance
// back from the pointer's own field. Error 5 for bytes outside the object, a
// CIE pointer that leads outside the address range or a pc range that
// overflows; the CIE's errors as zzcrash_async_dwarf_cie_info_init gives them.
// `memo` (may be null) keeps the last CIE parsed. Async-signal-safe.
template <typename machine_ptr>
zzcrash_error_t zzcrash_async_dwarf_fde_info_init(zzcrash_async_dwarf_fde_info* info, const zzcrash_async_mobject* mobj,
                                                  const zzcrash_async_byteorder* byteorder, machine_ptr fde_address,
                                                  bool debug_frame, zzcrash_async_dwarf_cie_memo* memo = nullptr);
void zzcrash_async_dwarf_fde_info_free(zzcrash_async_dwarf_fde_info* info);

std::uint64_t zzcrash_async_dwarf_fde_info_instructions_offset(const zzcrash_async_dwarf_fde_info* info);
std::uint64_t zzcrash_async_dwarf_fde_info_instructions_length(const zzcrash_async_dwarf_fde_info* info);

extern template zzcrash_error_t zzcrash_async_dwarf_fde_info_init<std::uint32_t>(zzcrash_async_dwarf_fde_info*,
                                                                                 const zzcrash_async_mobject*,
                                                                                 const zzcrash_async_byteorder*,
                                                                                 std::uint32_t, bool,
                                                                                 zzcrash_async_dwarf_cie_memo*);
extern template zzcrash_error_t zzcrash_async_dwarf_fde_info_init<std::uint64_t>(zzcrash_async_dwarf_fde_info*,
                                                                                 const zzcrash_async_mobject*,
                                                                                 const zzcrash_async_byteorder*,
                                                                                 std::uint64_t, bool,
                                                                                 zzcrash_async_dwarf_cie_memo*);

}  // namespace zzcrash::ZZ::async
