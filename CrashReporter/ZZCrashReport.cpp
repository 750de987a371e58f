#include "CrashReporter/ZZCrashReport.h"

#include <algorithm>

#include "CrashReporter/Private/ZZCrashReportDecoder.h"

std::variant<ZZCrashReport, ZZCrashReporterError> ZZCrashReport::fromData(std::span<const std::uint8_t> data) {
    return ZZCrashReportDecoder::decode(data);
}

const ZZCrashReportBinaryImageInfo* ZZCrashReport::imageForAddress(std::uint64_t address) const {
    const auto& images = sections_.images;
    const auto found = std::find_if(images.begin(), images.end(),
                                    [address](const ZZCrashReportBinaryImageInfo& image) { return image.contains(address); });
    return found == images.end() ? nullptr : &*found;
}
