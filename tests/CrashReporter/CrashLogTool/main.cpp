// tessivar-crashlog: prints a crash log file as the classic text report, so
// that a person can read what the crash reporter wrote.
//
//   tessivar-crashlog FILE
//
// The report goes to standard output; a file that cannot be read or holds no
// report is named on standard error, with the reason, and exits with 1.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <variant>
#include <vector>

#include "CrashReporter/ZZCrashReport.h"
#include "CrashReporter/ZZCrashReportTextFormatter.h"

namespace {

constexpr int failedExit = 1;
constexpr int usageExit = 2;

int fail(const char* path, const std::string& reason) {
    std::cerr << "tessivar-crashlog: " << path << ": " << reason << '\n';
    return failedExit;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: tessivar-crashlog FILE\n";
        return usageExit;
    }
    const char* path = argv[1];
    std::ifstream file(path, std::ios::binary);
    if (!file) return fail(path, "cannot be opened");
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return fail(path, "cannot be read");

    const auto decoded = ZZCrashReport::fromData(bytes);
    if (const auto* error = std::get_if<ZZCrashReporterError>(&decoded)) return fail(path, error->description());
    const ZZCrashReportTextFormatter formatter(ZZCrashReportTextFormatter::TextFormat::classic,
                                               ZZCrashReportTextFormatter::StringEncoding::utf8);
    const auto text = formatter.formatReport(std::get<ZZCrashReport>(decoded));
    std::cout.write(reinterpret_cast<const char*>(text.data()), static_cast<std::streamsize>(text.size()));
    return std::cout.flush() ? 0 : failedExit;
}
