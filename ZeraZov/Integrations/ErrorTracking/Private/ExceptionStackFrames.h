#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovStackFrame.h"

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

// A stack trace as "$exception" events carry it: {"frames": the frames' dictionaries
// from the outermost call to the innermost, "type": "raw"}, given the frames
// innermost first; nothing without frames.
std::optional<nlohmann::json> stackTrace(const std::vector<ZeraZovStackFrame>& innermostFirst);

// One frame per return address (innermost first) that the dynamic loader places in
// an image of this process, with its image, symbol and in-app decision. With the
// return address of the application's call into the client (CallerFrame), the
// client's own frames in front of it are left out.
std::vector<ZeraZovStackFrame> framesFromReturnAddresses(const std::vector<std::uint64_t>& returnAddresses,
                                                         const ZeraZovErrorTrackingConfig& config,
                                                         std::optional<std::uint64_t> callerReturnAddress);

// The calling thread's stack trace from the frame of the code that called into the
// client (the outermost CallerFrame of the thread, else this function's caller).
std::optional<nlohmann::json> currentThreadStackFrames(const ZeraZovErrorTrackingConfig& config);
// The stack trace of return addresses recorded elsewhere, every frame kept.
std::optional<nlohmann::json> stackFrames(const std::vector<std::uint64_t>& returnAddresses,
                                          const ZeraZovErrorTrackingConfig& config);

}  // namespace zerazov
