#include "ZeraZov/Integrations/ErrorTracking/CrashReportEventProperties.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include <nlohmann/json.hpp>

#include "CrashReporter/Writer/ZZCrashLogWriter.h"

#include "ZeraZov/Integrations/ErrorTracking/Private/CrashReportException.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ExceptionStackFrames.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/InAppRules.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ZeraZovBinaryImageInfo.h"

namespace zerazov {
namespace {

using nlohmann::json;

// A pending report is bytes on disk, whatever wrote them: no text of it takes
// more than this in the event, and no more frames than the writer records of
// a thread.
constexpr std::size_t maximumTextBytes = 8 * 1024;
constexpr std::size_t maximumFrames = ZZCRASH_LOG_MAX_FRAMES;

// Every text in `value` cut to maximumTextBytes, at a character's start (the
// report's texts are valid UTF-8).
void boundTexts(json& value) {
    if (value.is_string()) {
        auto& text = value.get_ref<std::string&>();
        if (text.size() <= maximumTextBytes) return;
        std::size_t end = maximumTextBytes;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        text.resize(end);
        return;
    }
    if (!value.is_structured()) return;
    for (auto& element : value) boundTexts(element);
}

const std::vector<ZZCrashReportStackFrameInfo>* sourceFrames(const ZZCrashReport& report) {
    if (report.hasExceptionInfo()) {
        const auto& frames = report.exceptionInfo()->stackFrames();
        if (frames && !frames->empty()) return &*frames;
    }
    const auto* thread = crashedThread(report);
    return thread ? &thread->stackFrames() : nullptr;
}

ZeraZovStackFrame frameOf(const ZZCrashReport& report, const ZZCrashReportStackFrameInfo& info,
                          const ZeraZovErrorTrackingConfig& config) {
    ZeraZovStackFrame frame;
    frame.instructionAddress = strippedAddress(info.instructionPointer(), report.systemInfo().processorInfo().type());
    if (const auto* image = report.imageForAddress(frame.instructionAddress)) {
        frame.imageAddress = image->imageBaseAddress();
        if (!image->imageName().empty()) {
            frame.module = std::filesystem::path(image->imageName()).filename().string();
            frame.package = frame.module;
            // The report names each image by the path it was loaded from,
            // which tells the system's libraries from the application's.
            frame.inApp = isInApp(image->imageName(), *frame.module, config);
        }
    }
    if (const auto& symbol = info.symbolInfo()) {
        if (!symbol->symbolName().empty()) frame.function = symbol->symbolName();
        frame.symbolAddress = symbol->startAddress();
    }
    return frame;
}

}  // namespace

json crashReportEventProperties(const ZZCrashReport& report, const ZeraZovErrorTrackingConfig& config) {
    json properties{{"$exception_level", "fatal"}};
    const auto frames = crashReportStackFrames(report, config);
    if (auto entry = crashReportException(report, frames)) properties["$exception_list"] = json::array({*entry});
    if (auto images = crashReportDebugImages(report, frames); !images.empty()) {
        properties["$debug_images"] = std::move(images);
    }
    boundTexts(properties);
    return properties;
}

std::vector<ZeraZovStackFrame> crashReportStackFrames(const ZZCrashReport& report,
                                                      const ZeraZovErrorTrackingConfig& config) {
    std::vector<ZeraZovStackFrame> frames;
    const auto* source = sourceFrames(report);
    if (!source) return frames;
    const auto count = std::min(source->size(), maximumFrames);
    frames.reserve(count);
    std::for_each_n(source->begin(), count, [&](const auto& info) { frames.push_back(frameOf(report, info, config)); });
    return frames;
}

json crashReportDebugImages(const ZZCrashReport& report, const std::vector<ZeraZovStackFrame>& frames) {
    std::set<std::uint64_t> addresses;
    for (const auto& frame : frames) {
        if (frame.imageAddress) addresses.insert(*frame.imageAddress);
    }
    json images = json::array();
    for (const auto& image : report.images()) {
        if (!addresses.contains(image.imageBaseAddress()) || image.imageName().empty()) continue;
        const auto uuid = image.imageUUID() ? std::optional(formatImageUUID(*image.imageUUID())) : std::nullopt;
        images.push_back(ZeraZovBinaryImageInfo{image.imageName(), uuid, std::nullopt, image.imageBaseAddress(),
                                                image.imageSize(), architectureName(image.codeType())}
                             .toDictionary());
    }
    return images;
}

std::optional<std::string> architectureName(const std::optional<ZZCrashReportProcessorInfo>& codeType) {
    if (!codeType) return std::nullopt;
    switch (codeType->type()) {
    case 12:
        if (codeType->subtype() == 9) return "armv7";
        if (codeType->subtype() == 11) return "armv7s";
        return "arm";
    case cpuTypeX86_64: return "x86_64";
    case cpuTypeArm64: return "arm64";
    default: return std::nullopt;
    }
}

}  // namespace zerazov
