#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "CrashReporter/Report/ZZCrashReportProcessorInfo.h"

// One image loaded in the crashed process.
class ZZCrashReportBinaryImageInfo {
public:
    // `uuid`, when given, is kept as two lowercase hexadecimal digits per byte.
    ZZCrashReportBinaryImageInfo(std::optional<ZZCrashReportProcessorInfo> codeType, std::uint64_t baseAddress,
                                 std::uint64_t size, std::string name,
                                 std::optional<std::span<const std::uint8_t>> uuid);

    const std::optional<ZZCrashReportProcessorInfo>& codeType() const { return codeType_; }
    std::uint64_t imageBaseAddress() const { return imageBaseAddress_; }
    std::uint64_t imageSize() const { return imageSize_; }
    // The image's path.
    const std::string& imageName() const { return imageName_; }
    bool hasImageUUID() const { return imageUUID_.has_value(); }
    const std::optional<std::string>& imageUUID() const { return imageUUID_; }

    // Whether `address` lies in [base, base + size), without wrapping around
    // the end of the address space.
    bool contains(std::uint64_t address) const;

private:
    std::optional<ZZCrashReportProcessorInfo> codeType_;
    std::uint64_t imageBaseAddress_;
    std::uint64_t imageSize_;
    std::string imageName_;
    std::optional<std::string> imageUUID_;
};
