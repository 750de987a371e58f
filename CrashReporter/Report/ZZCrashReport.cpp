#include "CrashReporter/Report/ZZCrashReport.h"

#include "CrashReporter/Report/Private/ZZCrashReportDecoder.h"

std::variant<ZZCrashReport, ZZCrashReporterError> ZZCrashReport::fromData(std::span<const std::uint8_t> data) {
    return ZZCrashReportDecoder::decode(data);
}

const ZZCrashReportBinaryImageInfo* ZZCrashReport::imageForAddress(std::uint64_t address) const {
    const auto found = imageIndex_.find(address);
    return found ? &sections_.images[*found] : nullptr;
}
