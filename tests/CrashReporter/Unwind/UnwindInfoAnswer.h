#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessivar::testing::unwind {

// What llvm-objdump --macho --unwind-info said about a Mach-O fixture
// (tests/fixtures/macho/answers/<fixture>.unwind-info): the function offset
// and encoding of every second-level entry, in order, and the function offset
// of the first level's end marker.
struct UnwindInfoEntry {
    std::uint64_t functionOffset;
    std::uint32_t encoding;
};
struct UnwindInfoAnswer {
    std::vector<UnwindInfoEntry> entries;
    std::uint64_t end = 0;
};
UnwindInfoAnswer unwindInfoAnswer(const std::string& fixture);

}  // namespace tessivar::testing::unwind
