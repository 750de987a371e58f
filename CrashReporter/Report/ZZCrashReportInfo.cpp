#include "CrashReporter/Report/ZZCrashReportInfo.h"

#include <utility>

namespace {

std::string lowercaseHex(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text.push_back(digits[byte >> 4]);
        text.push_back(digits[byte & 0x0F]);
    }
    return text;
}

}  // namespace

ZZCrashReportBinaryImageInfo::ZZCrashReportBinaryImageInfo(std::optional<ZZCrashReportProcessorInfo> codeType,
                                                           std::uint64_t baseAddress, std::uint64_t size,
                                                           std::string name,
                                                           std::optional<std::span<const std::uint8_t>> uuid)
    : codeType_(codeType), imageBaseAddress_(baseAddress), imageSize_(size), imageName_(std::move(name)) {
    if (uuid) imageUUID_ = lowercaseHex(*uuid);
}

bool ZZCrashReportBinaryImageInfo::contains(std::uint64_t address) const {
    // A corrupt log may give a base and size whose sum wraps; the distance from
    // the base cannot.
    return address >= imageBaseAddress_ && address - imageBaseAddress_ < imageSize_;
}
