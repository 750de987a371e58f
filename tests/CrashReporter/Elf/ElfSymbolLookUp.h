#pragma once
#include <cstdint>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

namespace tessivar::testing {

// The symbol an image names for `pc`; an image not found (null) answers the
// lookup's default error.
inline FoundSymbol lookUpElfSymbol(const zzcrash_async_elf_image* image, std::uint64_t pc) {
    FoundSymbol found;
    if (image) found.error = zzcrash_async_elf_symbol_at_pc(image, pc, collectFoundSymbol, &found);
    return found;
}

}  // namespace tessivar::testing
