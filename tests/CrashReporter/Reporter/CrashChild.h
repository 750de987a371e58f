#pragma once
#include <filesystem>
#include <string>

#include "CrashReporter/ZZCrashReporter.h"

namespace tessivar::testing {

// The reporter of a child that crashes, keeping its reports under `base`
// (what the child's next launch would read them with, too).
ZZCrashReporter reporterIn(const std::filesystem::path& base, unsigned handlerType);

// An empty folder of the test's own for a child's reports, named after `name`.
std::filesystem::path emptyReportFolder(const std::string& name);

// Children die by their signals: a core file each would only fill the disk.
void withoutCoreDumps();

}  // namespace tessivar::testing
