#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// The header every CIE and FDE starts with: a 32-bit length, or 0xFFFFFFFF
// and a 64-bit one (64-bit DWARF), counted from after the length field; then
// the id field (a CIE's id, an FDE's CIE pointer) of 4 or 8 bytes.
struct dwarf_entry {
    std::uint64_t length;      // as stored; 0 is the section's terminator
    std::uint64_t id_address;  // where the id field starts
    std::uint64_t id_size;     // 4 or 8
    std::uint64_t end;         // the first byte after the entry
};

// Reads the header at `address`; error 5 when it lies outside the object or
// the entry's end overflows.
zzcrash_error_t dwarf_entry_read(const zzcrash_async_mobject* mobj, const zzcrash_async_byteorder* byteorder,
                                 std::uint64_t address, dwarf_entry* entry);

}  // namespace zzcrash::ZZ::async
