#pragma once
#include <cstdint>

namespace tessivar::testing {

// The modifier masks a shortcut stores, as its stored form writes them.
inline constexpr std::int64_t kCommand = 256;
inline constexpr std::int64_t kShift = 512;
inline constexpr std::int64_t kOption = 2048;
inline constexpr std::int64_t kControl = 4096;

}  // namespace tessivar::testing
