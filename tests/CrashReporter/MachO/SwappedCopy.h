#pragma once
#include <cstdint>
#include <vector>

#include "tests/CrashReporter/MachO/FixtureAnswers.h"

namespace tessivar::testing::macho {

// A 64-bit fixture as a machine of the other byte order would have written it:
// the header, every command's type and size, the fields of the segment,
// section, symbol-table commands and the symbol entries reversed. Other
// commands keep their bytes (no reader looks inside them).
std::vector<std::uint8_t> byteSwappedCopy(std::vector<std::uint8_t> bytes, const HeadersAnswer& layout);

}  // namespace tessivar::testing::macho
