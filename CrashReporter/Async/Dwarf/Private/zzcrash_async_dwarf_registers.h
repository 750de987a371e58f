#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_thread_state.h"

namespace zzcrash::ZZ::async {

// zzcrash_async_thread_state_register_for_dwarf_number by table: applying a
// row maps a handful of DWARF numbers per frame, and the thread state's own
// lookup searches its list each time. The table is filled from that lookup
// when the program loads.
bool dwarf_register_index(const zzcrash_async_thread_state* state, std::uint64_t dwarfNumber, std::uint32_t* index);

}  // namespace zzcrash::ZZ::async
