#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/ZZCrashReport.pb-c.h"

namespace tessivar::testing {

// The report in a crash log's bytes; a test failure when they hold none.
std::optional<ZZCrashReport> decodedLog(const std::vector<std::uint8_t>& bytes);

struct UnpackedLogFree {
    void operator()(Zzcrash__CrashReport* message) const;
};
// protobuf-c's own reading of a log, for the fields the report objects do not keep.
std::unique_ptr<Zzcrash__CrashReport, UnpackedLogFree> unpackedLog(const std::vector<std::uint8_t>& bytes);

// protoc-c's reading of a log's body: with the schema, or raw (the fields in
// the order they were written, nested ones indented). A test failure when it
// does not read.
std::string protocReading(const std::vector<std::uint8_t>& log);
std::string protocRawReading(const std::vector<std::uint8_t>& log);
// The same with another schema and message.
std::string protocReadingAs(const std::vector<std::uint8_t>& log, const std::filesystem::path& schema,
                            const std::string& message);

// The names of a thread's frames' symbols, innermost first ("" for a frame without one).
std::vector<std::string> symbolNames(const ZZCrashReportThreadInfo& thread);

}  // namespace tessivar::testing
