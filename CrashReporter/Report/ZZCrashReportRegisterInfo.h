#pragma once
#include <cstdint>
#include <string>
#include <utility>

// One register of a crashed thread.
class ZZCrashReportRegisterInfo {
public:
    ZZCrashReportRegisterInfo(std::string registerName, std::uint64_t registerValue)
        : registerName_(std::move(registerName)), registerValue_(registerValue) {}

    const std::string& registerName() const { return registerName_; }
    std::uint64_t registerValue() const { return registerValue_; }

private:
    std::string registerName_;
    std::uint64_t registerValue_;
};
