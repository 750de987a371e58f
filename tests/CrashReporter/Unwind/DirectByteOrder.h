#pragma once
#include "CrashReporter/Async/zzcrash_async_byteorder.h"

namespace tessivar::testing::unwind {

// The byte order of sections written in this machine's own order, as most
// of the readers' tests write them.
inline const zzcrash_async_byteorder* const direct = &zzcrash_async_byteorder_direct;

}  // namespace tessivar::testing::unwind
