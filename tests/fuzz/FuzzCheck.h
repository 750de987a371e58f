#pragma once
#include <cstdio>

namespace fuzzing {

// A broken invariant names itself and stops the run, so that libFuzzer keeps the
// input as a crash even when nothing crashed.
inline void check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "broken invariant: %s\n", invariant);
    __builtin_trap();
}

}  // namespace fuzzing
