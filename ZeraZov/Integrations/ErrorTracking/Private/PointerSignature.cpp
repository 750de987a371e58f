#include "ZeraZov/Integrations/ErrorTracking/Private/PointerSignature.h"

namespace zerazov {
namespace {

#if defined(__aarch64__)
constexpr std::uint64_t thisProcessCpuType = cpuTypeArm64;
#else
constexpr std::uint64_t thisProcessCpuType = cpuTypeX86_64;
#endif

}  // namespace

std::uint64_t strippedAddress(std::uint64_t value, std::uint64_t cpuType) {
    return cpuType == cpuTypeArm64 ? value & signedPointerAddressMask : value;
}

std::uint64_t strippedAddressOfThisProcess(std::uint64_t value) { return strippedAddress(value, thisProcessCpuType); }

}  // namespace zerazov
