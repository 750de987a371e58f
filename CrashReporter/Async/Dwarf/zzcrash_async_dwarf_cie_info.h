#pragma once
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_gnu_ehptr_reader.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// What the eh_frame augmentation ("z" followed by L, P, R and S) adds to a CIE.
struct zzcrash_async_dwarf_eh_augmentation {
    bool has_eh_augmentation;  // the string starts with 'z'
    bool has_lsda_encoding;
    std::uint8_t lsda_encoding;
    bool has_personality_address;
    std::uint64_t personality_address;
    bool has_pointer_encoding;
    std::uint8_t pointer_encoding;  // how the FDEs of this CIE store their addresses
    bool signal_frame;              // 'S': the frames it describes were interrupted, their pc is not a return address
};

// A common information entry: what the FDEs that point at it share.
struct zzcrash_async_dwarf_cie_info {
    std::uint64_t cie_offset;  // section-relative, of the id field
    std::uint64_t cie_length;  // as stored, counted from after the length field
    std::uint64_t cie_id;
    std::uint8_t cie_version;   // 1, 3 or 4
    std::uint8_t address_size;  // version 4 only, else 0
    std::uint8_t segment_size;  // version 4 only, else 0
    std::uint64_t code_alignment_factor;
    std::int64_t data_alignment_factor;
    std::uint64_t return_address_register;
    zzcrash_async_dwarf_eh_augmentation eh_augmentation;
    std::uint64_t initial_instructions_offset;  // section-relative
    std::uint64_t initial_instructions_length;
};

// Parses the CIE whose length field is at `address`, reading the personality
// pointer with `ptr_reader`. Error 5 for bytes outside the object, an id that
// is neither 0 (eh_frame) nor all ones (debug_frame), a version other than 1,
// 3 or 4, or fields that run past the entry; error 4 for an augmentation that
// does not start with 'z' or a LEB128 longer than 10 bytes. Async-signal-safe.
template <typename machine_ptr>
zzcrash_error_t zzcrash_async_dwarf_cie_info_init(zzcrash_async_dwarf_cie_info* info, const zzcrash_async_mobject* mobj,
                                                  const zzcrash_async_byteorder* byteorder,
                                                  const gnu_ehptr_reader<machine_ptr>* ptr_reader, machine_ptr address);
void zzcrash_async_dwarf_cie_info_free(zzcrash_async_dwarf_cie_info* info);

std::uint64_t zzcrash_async_dwarf_cie_info_initial_instructions_offset(const zzcrash_async_dwarf_cie_info* info);
std::uint64_t zzcrash_async_dwarf_cie_info_initial_instructions_length(const zzcrash_async_dwarf_cie_info* info);

extern template zzcrash_error_t zzcrash_async_dwarf_cie_info_init<std::uint32_t>(zzcrash_async_dwarf_cie_info*,
                                                                                 const zzcrash_async_mobject*,
                                                                                 const zzcrash_async_byteorder*,
                                                                                 const gnu_ehptr_reader<std::uint32_t>*,
                                                                                 std::uint32_t);
extern template zzcrash_error_t zzcrash_async_dwarf_cie_info_init<std::uint64_t>(zzcrash_async_dwarf_cie_info*,
                                                                                 const zzcrash_async_mobject*,
                                                                                 const zzcrash_async_byteorder*,
                                                                                 const gnu_ehptr_reader<std::uint64_t>*,
                                                                                 std::uint64_t);

}  // namespace zzcrash::ZZ::async
