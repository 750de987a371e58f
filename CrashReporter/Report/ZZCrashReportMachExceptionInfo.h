#pragma once
#include <cstdint>
#include <utility>
#include <vector>

// The Mach exception a crash was caught as.
class ZZCrashReportMachExceptionInfo {
public:
    ZZCrashReportMachExceptionInfo(std::uint64_t type, std::vector<std::uint64_t> codes)
        : type_(type), codes_(std::move(codes)) {}

    std::uint64_t type() const { return type_; }
    const std::vector<std::uint64_t>& codes() const { return codes_; }

private:
    std::uint64_t type_;
    std::vector<std::uint64_t> codes_;
};
