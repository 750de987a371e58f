#pragma once
#include <cstdint>
#include <string>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"

namespace tessivar::testing::unwind {

// A rule state of x86-64 code written the way the two oracles write a row of
// the unwind table, to compare with what they said: llvm-dwarfdump's
// "CFA=RSP+16: RBX=[CFA-16], RIP=[CFA-8]" (registers by DWARF number,
// expressions disassembled), and the CFA column of readelf's frames-interp
// ("rsp+16", "exp"). Expressions are read from `section`.
using Rules = zzcrash::ZZ::async::dwarf_cfa_state<std::uint64_t, std::int64_t>;

std::string dwarfdumpRow(const Rules& rules, const zzcrash_async_mobject* section);
std::string readelfCfa(const Rules& rules);

}  // namespace tessivar::testing::unwind
