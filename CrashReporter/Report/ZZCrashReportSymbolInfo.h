#pragma once
#include <cstdint>
#include <string>
#include <utility>

// The symbol a frame's address lies in.
class ZZCrashReportSymbolInfo {
public:
    ZZCrashReportSymbolInfo(std::string symbolName, std::uint64_t startAddress, std::uint64_t endAddress)
        : symbolName_(std::move(symbolName)), startAddress_(startAddress), endAddress_(endAddress) {}

    const std::string& symbolName() const { return symbolName_; }
    std::uint64_t startAddress() const { return startAddress_; }
    // 0 when unknown.
    std::uint64_t endAddress() const { return endAddress_; }

private:
    std::string symbolName_;
    std::uint64_t startAddress_;
    std::uint64_t endAddress_;
};
