#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The hardware and kernel facts a crash log records, read when the reporter
// is enabled (nothing here may run in a crash). A fact that cannot be read is
// absent or 0.
struct zzcrash_machine_facts {
    std::optional<std::string> model;         // the board's product name from DMI
    std::optional<std::string> osBuild;       // the kernel's build text ("#1 SMP PREEMPT_DYNAMIC ...")
    std::string osVersion;                    // "major.minor", then ".revision" when it is above 0
    std::uint32_t processorCount = 0;         // physical cores
    std::uint32_t logicalProcessorCount = 0;  // logical processors the machine can have

    static zzcrash_machine_facts current();
    // The model a DMI product name gives: its first line without the blanks
    // around it; none when that is blank.
    static std::optional<std::string> modelIn(const std::optional<std::string>& productName);
    // The physical cores /proc/cpuinfo describes: distinct (physical id, core id) pairs.
    static std::uint32_t physicalCoresIn(const std::string& cpuinfo);
    // The kernel release's numbers as the log writes them: "6.1.0-18-amd64" is "6.1".
    static std::string versionText(std::uint64_t major, std::uint64_t minor, std::uint64_t revision);
};
