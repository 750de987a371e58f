#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "CrashReporter/Report/ZZCrashReport.h"

// The names a text report gives processors and operating systems.
class ZZCrashReportNames {
public:
    // The "Code Type" of a report, and whether its addresses are 64 bits wide.
    struct CodeType {
        std::string name;
        bool lp64;
    };

    // The first image of a known processor decides, else the system's processor.
    static CodeType codeType(const ZZCrashReport& report);
    // "x86_64", "arm64e" and the like; "???" for a processor without a name.
    static const char* architectureName(const std::optional<ZZCrashReportProcessorInfo>& codeType);
    static std::string operatingSystemName(ZZCrashReportSystemInfo::OperatingSystem system);
    // What the system puts before every symbol name: "_" on Apple's systems,
    // nothing on Linux (where "_ZN..." is the name itself); nothing known of
    // another system.
    static std::optional<std::string_view> symbolPrefix(ZZCrashReportSystemInfo::OperatingSystem system);
};
