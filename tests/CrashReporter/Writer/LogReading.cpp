#include "tests/CrashReporter/Writer/LogReading.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tests/support/ShellCommand.h"

namespace tessivar::testing {

namespace {

std::string protocOnBody(const std::vector<std::uint8_t>& log, const std::string& arguments) {
    const auto body = std::filesystem::temp_directory_path() / ("crash-log-body-" + std::to_string(getpid()));
    std::ofstream(body, std::ios::binary)
        .write(reinterpret_cast<const char*>(log.data() + 8), static_cast<std::streamsize>(log.size() - 8));
    const auto result = runShellCommand(shellQuoted(TESSIVAR_PROTOC_C) + " " + arguments + " < " + shellQuoted(body),
                                        std::chrono::seconds(20));
    std::filesystem::remove(body);
    EXPECT_TRUE(result.succeeded()) << result.output;
    return result.output;
}

}  // namespace

std::optional<ZZCrashReport> decodedLog(const std::vector<std::uint8_t>& bytes) {
    auto decoded = ZZCrashReport::fromData(bytes);
    if (auto* error = std::get_if<ZZCrashReporterError>(&decoded)) {
        ADD_FAILURE() << "the log does not read: " << error->description();
        return std::nullopt;
    }
    return std::get<ZZCrashReport>(std::move(decoded));
}

void UnpackedLogFree::operator()(Zzcrash__CrashReport* message) const {
    zzcrash__crash_report__free_unpacked(message, nullptr);
}

std::unique_ptr<Zzcrash__CrashReport, UnpackedLogFree> unpackedLog(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() <= 8) return nullptr;
    return std::unique_ptr<Zzcrash__CrashReport, UnpackedLogFree>(
        zzcrash__crash_report__unpack(nullptr, bytes.size() - 8, bytes.data() + 8));
}

std::string protocReading(const std::vector<std::uint8_t>& log) {
    return protocReadingAs(log, TESSIVAR_CRASH_LOG_SCHEMA, "zzcrash.CrashReport");
}

std::string protocReadingAs(const std::vector<std::uint8_t>& log, const std::filesystem::path& schema,
                            const std::string& message) {
    return protocOnBody(log, "--proto_path=" + shellQuoted(schema.parent_path()) + " --decode=" + message + " " +
                                 shellQuoted(schema.filename()));
}

std::string protocRawReading(const std::vector<std::uint8_t>& log) { return protocOnBody(log, "--decode_raw"); }

std::vector<std::string> symbolNames(const ZZCrashReportThreadInfo& thread) {
    std::vector<std::string> names;
    for (const auto& frame : thread.stackFrames())
        names.push_back(frame.symbolInfo() ? frame.symbolInfo()->symbolName() : "");
    return names;
}

}  // namespace tessivar::testing
