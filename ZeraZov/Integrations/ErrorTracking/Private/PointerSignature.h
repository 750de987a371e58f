#pragma once
#include <cstdint>

namespace zerazov {

// Return addresses on 64-bit ARM may carry a pointer-authentication signature in
// their high bits, and there only the low 36 bits are the address. x86-64 signs
// nothing, and its shared libraries live far above 36 bits, so there the whole
// value is the address: masking it would point every frame of a library elsewhere.
inline constexpr std::uint64_t signedPointerAddressMask = 0xFFFFFFFFF;

// Mach CPU types, as crash reports name processors.
inline constexpr std::uint64_t cpuTypeX86_64 = 0x1000007;
inline constexpr std::uint64_t cpuTypeArm64 = 0x100000C;

// The address a value of a processor of that type stands for.
std::uint64_t strippedAddress(std::uint64_t value, std::uint64_t cpuType);
// The same for a return address of this process.
std::uint64_t strippedAddressOfThisProcess(std::uint64_t value);

}  // namespace zerazov
