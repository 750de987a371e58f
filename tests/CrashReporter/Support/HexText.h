#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessivar::testing {

// Bytes as lower-case hexadecimal, two digits each, as readelf prints a build id.
std::string hexText(const std::uint8_t* bytes, std::size_t count);

}  // namespace tessivar::testing
