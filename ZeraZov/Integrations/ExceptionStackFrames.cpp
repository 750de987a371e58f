#include "ZeraZov/Integrations/ExceptionStackFrames.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

#include "Platform/Foundation/CurrentThread.h"
#include "Platform/Foundation/DynamicLoader.h"
#include "ZeraZov/Integrations/InAppRules.h"
#include "ZeraZov/Integrations/PointerSignature.h"

namespace zerazov {
namespace {

// The client's functions as the linker names them: members, functions, and the
// local classes and lambdas of either, in its namespace.
constexpr std::array<std::string_view, 4> clientSymbolPrefixes{"_ZN7zerazov", "_ZNK7zerazov", "_ZZN7zerazov",
                                                               "_ZZNK7zerazov"};

// A client built as a library of its own is known by its module; one linked into
// the program (as here) by its namespace.
bool isClientFrame(const ZeraZovStackFrame& frame) {
    if (frame.module && (*frame.module == "ZeraZov" || frame.module->starts_with("ZeraZov."))) return true;
    if (!frame.function) return false;
    const std::string_view function = *frame.function;
    return std::any_of(clientSymbolPrefixes.begin(), clientSymbolPrefixes.end(),
                       [function](std::string_view prefix) { return function.starts_with(prefix); });
}

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

std::optional<nlohmann::json> stackTrace(const std::vector<ZeraZovStackFrame>& innermostFirst) {
    if (innermostFirst.empty()) return std::nullopt;
    auto frames = nlohmann::json::array();
    for (auto frame = innermostFirst.rbegin(); frame != innermostFirst.rend(); ++frame) {
        frames.push_back(frame->toDictionary());
    }
    return nlohmann::json{{"frames", std::move(frames)}, {"type", "raw"}};
}

std::vector<ZeraZovStackFrame> framesFromReturnAddresses(const std::vector<std::uint64_t>& returnAddresses,
                                                         const ZeraZovErrorTrackingConfig& config,
                                                         bool dropClientFrames) {
    std::vector<ZeraZovStackFrame> frames;
    for (const auto returnAddress : returnAddresses) {
        auto frame = frameAt(returnAddress, config);
        if (!frame || (dropClientFrames && frames.empty() && isClientFrame(*frame))) continue;
        frames.push_back(std::move(*frame));
    }
    return frames;
}

std::optional<nlohmann::json> currentThreadStackFrames(const ZeraZovErrorTrackingConfig& config) {
    return stackTrace(framesFromReturnAddresses(platform::CurrentThread::returnAddresses(), config, true));
}

std::optional<nlohmann::json> stackFrames(const std::vector<std::uint64_t>& returnAddresses,
                                          const ZeraZovErrorTrackingConfig& config) {
    return stackTrace(framesFromReturnAddresses(returnAddresses, config, false));
}

}  // namespace zerazov
