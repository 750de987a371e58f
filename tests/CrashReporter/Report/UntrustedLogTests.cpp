// Crash logs damaged on disk or cut at a byte limit: their strings come out as
// valid UTF-8, and however they are shaped, reading one costs memory in
// proportion to its size.
#include <malloc.h>

#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "tests/CrashReporter/Report/CrashLogArena.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"

namespace {

using tessivar::testing::CrashLogArena;
using Bytes = std::vector<std::uint8_t>;

void addOptional(std::vector<std::string>& strings, const std::optional<std::string>& value) {
    if (value) strings.push_back(*value);
}

void addFrames(std::vector<std::string>& strings, const std::vector<ZZCrashReportStackFrameInfo>& frames) {
    for (const auto& frame : frames) {
        if (frame.symbolInfo()) strings.push_back(frame.symbolInfo()->symbolName());
    }
}

std::vector<std::string> everyString(const ZZCrashReport& report) {
    std::vector<std::string> strings{report.systemInfo().operatingSystemVersion(),
                                     report.applicationInfo().applicationIdentifier(),
                                     report.applicationInfo().applicationVersion(),
                                     report.signalInfo().name(),
                                     report.signalInfo().code(),
                                     report.exceptionInfo()->exceptionName(),
                                     report.exceptionInfo()->exceptionReason()};
    addOptional(strings, report.systemInfo().operatingSystemBuild());
    addOptional(strings, report.applicationInfo().applicationMarketingVersion());
    addOptional(strings, report.machineInfo()->modelName());
    addOptional(strings, report.processInfo()->processName());
    addOptional(strings, report.processInfo()->processPath());
    addOptional(strings, report.processInfo()->parentProcessName());
    addOptional(strings, report.signalInfo().crashInfoMessage());
    for (const auto& thread : report.threads()) {
        addFrames(strings, thread.stackFrames());
        for (const auto& entry : thread.registers()) strings.push_back(entry.registerName());
    }
    for (const auto& image : report.images()) strings.push_back(image.imageName());
    addFrames(strings, *report.exceptionInfo()->stackFrames());
    return strings;
}

TEST(UntrustedCrashLog, EveryStringReadsAsValidUTF8) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    // A character cut short where the writer's byte limit fell.
    char* cut = arena.text("cut\xE2\x82");
    auto& exception = arena.make(zzcrash__crash_report__exception__init);
    arena.setList(exception.frames, exception.n_frames, {&arena.frame(1, "", 0)});
    message.exception = &exception;
    for (char** field : {&message.system_info->os_version,
                         &message.system_info->os_build,
                         &message.application_info->identifier,
                         &message.application_info->version,
                         &message.application_info->marketing_version,
                         &message.machine_info->model,
                         &message.process_info->process_name,
                         &message.process_info->process_path,
                         &message.process_info->parent_process_name,
                         &message.signal->name,
                         &message.signal->code,
                         &message.signal->crash_info_message,
                         &exception.name,
                         &exception.reason,
                         &exception.frames[0]->symbol->name,
                         &message.threads[0]->frames[0]->symbol->name,
                         &message.threads[1]->frames[0]->symbol->name,
                         &message.threads[1]->registers[0]->name,
                         &message.threads[1]->registers[1]->name,
                         &message.threads[1]->registers[2]->name,
                         &message.binary_images[0]->name,
                         &message.binary_images[1]->name}) {
        *field = cut;
    }

    const auto strings = everyString(CrashLogArena::decoded(message));
    EXPECT_EQ(strings.size(), 22u);
    for (const auto& string : strings) EXPECT_EQ(string, "cut\xEF\xBF\xBD");
    EXPECT_NO_THROW(nlohmann::json(strings).dump()) << "JSON refuses invalid UTF-8";
}

long statusKiB(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) return std::stol(line.substr(line.find(':') + 1));
    }
    return -1;
}

// The most the process's resident memory grew while `bytes` were decoded.
long decodingPeakKiB(const Bytes& bytes) {
    // What earlier cases freed goes back to the system first, or it would
    // stay resident and hide this case's growth.
    malloc_trim(0);
    // Writing 5 resets the resident high-water mark to what is resident now.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKiB("VmRSS:");
    const auto decoded = ZZCrashReport::fromData(bytes);
    return statusKiB("VmHWM:") - before;
}

Bytes varint(std::size_t value) {
    Bytes bytes;
    for (; value >= 0x80; value >>= 7) bytes.push_back(static_cast<std::uint8_t>(value | 0x80));
    bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

// A valid report followed by `unit` again and again up to `size` bytes: more
// fields of the top-level message, the cheapest on the wire and the dearest
// to unpack.
Bytes grownLog(const Bytes& unit, std::size_t size) {
    CrashLogArena arena;
    Bytes file = CrashLogArena::file(arena.linuxReport());
    while (file.size() < size) file.insert(file.end(), unit.begin(), unit.end());
    return file;
}

// A valid report without an exception followed by `count` `unit`s.
Bytes repeated(const Bytes& unit, std::size_t count) {
    CrashLogArena arena;
    Bytes file = CrashLogArena::file(arena.linuxReport());
    for (std::size_t i = 0; i < count; ++i) file.insert(file.end(), unit.begin(), unit.end());
    return file;
}

// One thread of `size` bytes filled with `unit`s.
Bytes threadFullOf(const Bytes& unit, std::size_t size) {
    Bytes thread{0x08, 0x00, 0x18, 0x00};
    while (thread.size() < size) thread.insert(thread.end(), unit.begin(), unit.end());
    Bytes field{0x1A};
    const Bytes length = varint(thread.size());
    field.insert(field.end(), length.begin(), length.end());
    field.insert(field.end(), thread.begin(), thread.end());
    return field;
}

TEST(UntrustedCrashLog, AMebibyteLogOfTheCheapestFieldsNeverCostsMoreThan64TimesItsSize) {
    constexpr std::size_t mebibyte = 1 << 20;
    struct Case {
        const char* what;
        Bytes bytes;
    };
    const Case cases[] = {
        {"empty threads", grownLog({0x1A, 0x04, 0x08, 0x00, 0x18, 0x00}, mebibyte)},
        {"empty images", grownLog({0x22, 0x06, 0x08, 0x00, 0x10, 0x00, 0x1A, 0x00}, mebibyte)},
        {"unknown fields", grownLog({0x78, 0x00}, mebibyte)},
        {"custom data again and again", grownLog({0x52, 0x00}, mebibyte)},
        {"frames of one thread", grownLog(threadFullOf({0x12, 0x02, 0x18, 0x00}, mebibyte), mebibyte)},
        {"registers of one thread", grownLog(threadFullOf({0x22, 0x04, 0x0A, 0x00, 0x10, 0x00}, mebibyte), mebibyte)},
    };
    for (const Case& c : cases) {
        const long sizeKiB = static_cast<long>(c.bytes.size() / 1024);
        EXPECT_LE(decodingPeakKiB(c.bytes), 64 * sizeKiB) << c.what;
    }
}

// A log that gives one section again and again, each time with one more
// element of a list: protobuf-c alone merges each into all that came before,
// copying it, and the allocator is asked for bytes growing with the square of
// their number.
TEST(UntrustedCrashLog, ASectionGivenAgainAndAgainReadsInWorkLinearInTheLogsSize) {
    constexpr std::size_t count = 20000;
    // An exception named "E" with reason "R" and one frame at 1.
    const Bytes exception{0x2A, 0x0A, 0x0A, 0x01, 'E', 0x12, 0x01, 'R', 0x1A, 0x02, 0x18, 0x01};
    // A signal "S", code "C", at 0, with a Mach exception of type 1 and one code.
    const Bytes signal{0x32, 0x0E, 0x0A, 0x01, 'S', 0x12, 0x01, 'C', 0x18, 0x00, 0x22, 0x04, 0x08, 0x01, 0x10, 0x07};
    struct Case {
        const char* what;
        Bytes log;
        std::string refusal;  // empty: the log reads
    };
    const Case cases[] = {
        {"exception sections", repeated(exception, count), ""},
        {"signal sections", repeated(signal, count), "Crash report includes too many Mach Exception codes"},
    };
    for (const Case& c : cases) {
        const tessivar::testing::AllocationTrap trap;
        const auto decoded = ZZCrashReport::fromData(c.log);
        EXPECT_LE(trap.bytes(), 64 * c.log.size()) << c.what;
        if (const auto* error = std::get_if<ZZCrashReporterError>(&decoded)) {
            EXPECT_EQ(error->description(), c.refusal) << c.what;
            continue;
        }
        EXPECT_EQ(c.refusal, "") << c.what;
        // The sections read as one, their frames in the log's order.
        const auto& frames = std::get<ZZCrashReport>(decoded).exceptionInfo()->stackFrames();
        ASSERT_TRUE(frames) << c.what;
        EXPECT_EQ(frames->size(), count) << c.what;
    }
}

}  // namespace
