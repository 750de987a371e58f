#include "ZeraZov/Integrations/ErrorTracking/Private/ExceptionStackFrames.h"

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/CurrentThread.h"
#include "Platform/Foundation/DynamicLoader.h"
#include "ZeraZov/Integrations/ErrorTracking/CallerFrame.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/InAppRules.h"

namespace zerazov {
namespace {

#if defined(__aarch64__)
constexpr std::uint64_t thisProcessCpuType = cpuTypeArm64;
#else
constexpr std::uint64_t thisProcessCpuType = cpuTypeX86_64;
#endif

std::optional<ZeraZovStackFrame> frameAt(std::uint64_t returnAddress, const ZeraZovErrorTrackingConfig& config) {
    const auto address = strippedAddressOfThisProcess(returnAddress);
    const auto found = platform::DynamicLoader::lookUp(address);
    if (!found) return std::nullopt;
    ZeraZovStackFrame frame;
    frame.instructionAddress = address;
    if (found->imagePath) {
        frame.package = found->imagePath;
        frame.module = std::filesystem::path(*found->imagePath).filename().string();
        frame.imageAddress = found->imageAddress;
        frame.inApp = isInApp(frame.package, *frame.module, config);
    }
    frame.function = found->symbolName;
    frame.symbolAddress = found->symbolAddress;
    return frame;
}

}  // namespace

std::uint64_t strippedAddress(std::uint64_t value, std::uint64_t cpuType) {
    return cpuType == cpuTypeArm64 ? value & signedPointerAddressMask : value;
}

std::uint64_t strippedAddressOfThisProcess(std::uint64_t value) { return strippedAddress(value, thisProcessCpuType); }

std::optional<nlohmann::json> stackTrace(const std::vector<ZeraZovStackFrame>& innermostFirst) {
    if (innermostFirst.empty()) return std::nullopt;
    auto frames = nlohmann::json::array();
    for (auto frame = innermostFirst.rbegin(); frame != innermostFirst.rend(); ++frame) {
        frames.push_back(frame->toDictionary());
    }
    return nlohmann::json{{"frames", std::move(frames)}, {"type", "raw"}};
}

// A caller's address that the stack does not hold (cut short, or sampled by someone
// else) leaves every frame in: better the client's frames than none of the caller's.
std::vector<ZeraZovStackFrame> framesFromReturnAddresses(const std::vector<std::uint64_t>& returnAddresses,
                                                         const ZeraZovErrorTrackingConfig& config,
                                                         std::optional<std::uint64_t> callerReturnAddress) {
    auto first = returnAddresses.begin();
    if (callerReturnAddress) {
        const auto caller = std::find(returnAddresses.begin(), returnAddresses.end(), *callerReturnAddress);
        if (caller != returnAddresses.end()) first = caller;
    }
    std::vector<ZeraZovStackFrame> frames;
    for (auto returnAddress = first; returnAddress != returnAddresses.end(); ++returnAddress) {
        if (auto frame = frameAt(*returnAddress, config)) frames.push_back(std::move(*frame));
    }
    return frames;
}

[[gnu::noinline]] std::optional<nlohmann::json> currentThreadStackFrames(const ZeraZovErrorTrackingConfig& config) {
    const CallerFrame caller(__builtin_return_address(0));
    return stackTrace(
        framesFromReturnAddresses(platform::CurrentThread::returnAddresses(), config, CallerFrame::returnAddress()));
}

std::optional<nlohmann::json> stackFrames(const std::vector<std::uint64_t>& returnAddresses,
                                          const ZeraZovErrorTrackingConfig& config) {
    return stackTrace(framesFromReturnAddresses(returnAddresses, config, std::nullopt));
}

}  // namespace zerazov
