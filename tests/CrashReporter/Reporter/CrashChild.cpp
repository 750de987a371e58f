#include "tests/CrashReporter/Reporter/CrashChild.h"

#include <sys/resource.h>
#include <unistd.h>

namespace tessivar::testing {

ZZCrashReporter reporterIn(const std::filesystem::path& base, unsigned handlerType) {
    return ZZCrashReporter("com.brel.tessivar/crash-tests", "1", "1.0.0",
                           ZZCrashReporterConfig(handlerType, ZZCrashReporterConfig::symbolicationStrategySymbolTable,
                                                 true, base.string()));
}

std::filesystem::path emptyReportFolder(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder);
    return folder;
}

void withoutCoreDumps() {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

}  // namespace tessivar::testing
