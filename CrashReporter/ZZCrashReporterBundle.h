#pragma once
#include <optional>
#include <string>

// Who the application is, as a reporter made from it records: its
// identifier, build version and marketing version, each possibly unknown.
struct ZZCrashReporterBundle {
    std::optional<std::string> identifier;
    std::optional<std::string> version;
    std::optional<std::string> shortVersion;

    // This process's own: a program on Linux carries no bundle, so nothing
    // is known, and a reporter made from it goes by the process's name.
    static ZZCrashReporterBundle main() { return {}; }
};
