#pragma once
#include <cstdint>
#include <optional>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "ZeraZov/Core/Config/ZeraZovErrorTrackingConfig.h"
#include "ZeraZov/Integrations/ErrorTracking/ZeraZovStackFrame.h"

namespace zerazov {

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
