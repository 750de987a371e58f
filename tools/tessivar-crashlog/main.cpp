// tessivar-crashlog: prints a crash log file as the classic text report, so
// that a person can read what the crash reporter wrote.
//
//   tessivar-crashlog FILE
//
// The report goes to standard output, every control character of the log's
// texts escaped; a file that cannot be read or holds no report is named on
// standard error, with the reason, and exits with 1.
#include <iostream>
#include <string>
#include <variant>

#include "CrashReporter/Report/ZZCrashLogFile.h"
#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/Report/ZZCrashReportTextFormatter.h"

namespace {

constexpr int failedExit = 1;
constexpr int usageExit = 2;

// `reason` begins with the file's name.
int fail(const std::string& reason) {
    std::cerr << "tessivar-crashlog: " << reason << '\n';
    return failedExit;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tessivar-crashlog FILE\n";
        return usageExit;
    }
    const char* path = argv[1];
    // Read as the next launch reads a pending report: a directory, a FIFO, a
    // device or a file far larger than any crash log is refused, not waited on.
    ZZCrashReporterError readError(ZZCrashReporterError::Code::operatingSystemFailure, "cannot be read");
    const auto bytes = ZZCrashLogFile::read(path, &readError);
    if (!bytes) return fail(readError.description());

    const auto decoded = ZZCrashReport::fromData(*bytes);
    if (const auto* error = std::get_if<ZZCrashReporterError>(&decoded)) {
        return fail(std::string(path) + ": " + error->description());
    }
    const ZZCrashReportTextFormatter formatter(ZZCrashReportTextFormatter::TextFormat::classic,
                                               ZZCrashReportTextFormatter::StringEncoding::utf8);
    const auto text = formatter.formatReport(std::get<ZZCrashReport>(decoded));
    std::cout.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size()));
    return std::cout.flush() ? 0 : failedExit;
}
