#pragma once
#include <string>

namespace platform {

// A 64-bit float as the shortest decimal that reads back as the same value,
// whole numbers keeping one zero after the point: 960 -> "960.0", 0.1 -> "0.1",
// 1e16 -> "1e+16". Plain notation for magnitudes in [1e-4, 1e16).
std::string formatDouble(double value);

}  // namespace platform
