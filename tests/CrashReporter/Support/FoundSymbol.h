#pragma once
#include <cstdint>
#include <string>

#include "CrashReporter/Async/zzcrash_error.h"

namespace tessivar::testing {

// What a symbol lookup reported: its answer, and the start and name it called back with.
struct FoundSymbol {
    zzcrash_error_t error = ZZCRASH_EUNKNOWN;
    std::uint64_t start = 0;
    std::string name;
};

// The lookups' callback, with a FoundSymbol as its context.
inline void collectFoundSymbol(std::uint64_t start, const char* name, void* context) {
    auto* found = static_cast<FoundSymbol*>(context);
    found->start = start;
    found->name = name;
}

}  // namespace tessivar::testing
