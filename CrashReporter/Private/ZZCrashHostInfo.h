#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

// A version as three numbers: "6.1.0-18-amd64" is {6, 1, 0}.
struct ZZCrashHostInfoVersion {
    std::uint64_t major;
    std::uint64_t minor;
    std::uint64_t revision;
};

// Facts about the machine, read when the reporter is enabled.
class ZZCrashHostInfo {
public:
    // The running kernel's facts, made anew on every call; nothing (and a log
    // line) when the kernel's release cannot be read.
    static std::optional<ZZCrashHostInfo> currentHostInfo();

    // From a kernel release text: major, ".", minor, ".", revision, each read as
    // far as it goes; a text of another form logs that and keeps the numbers
    // read before it (the others stay 0).
    explicit ZZCrashHostInfo(std::string_view release);

    // The running kernel's version.
    ZZCrashHostInfoVersion darwinVersion() const { return version_; }

private:
    ZZCrashHostInfoVersion version_{};
};
