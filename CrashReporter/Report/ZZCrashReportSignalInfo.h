#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

// The signal that ended the process (or the one a Mach exception stands for).
class ZZCrashReportSignalInfo {
public:
    ZZCrashReportSignalInfo(std::string name, std::string code, std::uint64_t address,
                            std::optional<std::string> crashInfoMessage)
        : name_(std::move(name)),
          code_(std::move(code)),
          address_(address),
          crashInfoMessage_(std::move(crashInfoMessage)) {}

    // "SIGSEGV", or "#" and the number.
    const std::string& name() const { return name_; }
    // "SEGV_MAPERR", or "#" and the code.
    const std::string& code() const { return code_; }
    std::uint64_t address() const { return address_; }
    // What a library left in its crash-info section.
    const std::optional<std::string>& crashInfoMessage() const { return crashInfoMessage_; }

private:
    std::string name_;
    std::string code_;
    std::uint64_t address_;
    std::optional<std::string> crashInfoMessage_;
};
