#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Integrations/ErrorTracking/CrashReportEventProperties.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ZeraZovBinaryImageInfo.h"
#include "tests/support/ShellCommand.h"

namespace errortracking_tests {
namespace {

using nlohmann::json;
using tessivar::testing::shellQuoted;

std::vector<std::uint8_t> readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A crash log as the crash reporter leaves it: the header, then the report in its
// text form encoded by protoc-c.
std::vector<std::uint8_t> crashLog(const std::string& reportText) {
    platform::TemporaryDirectory folder;
    const auto text = folder.path() / "report.txt";
    const auto body = folder.path() / "report.bin";
    std::ofstream(text) << reportText;
    const std::filesystem::path schema(TESSIVAR_CRASH_LOG_SCHEMA);
    const auto result = tessivar::testing::runShellCommand(
        shellQuoted(TESSIVAR_PROTOC_C) + " --proto_path=" + shellQuoted(schema.parent_path().string()) +
            " --encode=zzcrash.CrashReport " + shellQuoted(schema.filename().string()) + " <" +
            shellQuoted(text.string()) + " >" + shellQuoted(body.string()),
        std::chrono::seconds(20));
    EXPECT_TRUE(result.succeeded()) << result.output;
    std::vector<std::uint8_t> log{'z', 'z', 'c', 'r', 'a', 's', 'h', 1};
    const auto encoded = readBytes(body);
    log.insert(log.end(), encoded.begin(), encoded.end());
    return log;
}

ZZCrashReport decoded(const std::vector<std::uint8_t>& log) {
    auto result = ZZCrashReport::fromData(log);
    if (const auto* error = std::get_if<ZZCrashReporterError>(&result)) ADD_FAILURE() << error->description();
    return std::get<ZZCrashReport>(std::move(result));
}

json propertiesOf(const std::string& reportText) {
    return zerazov::crashReportEventProperties(decoded(crashLog(reportText)), zerazov::ZeraZovErrorTrackingConfig());
}

const std::string x86Header = R"(
system_info { os_version: "6.1.0" architecture: X86_64 timestamp: 1717243200 }
application_info { identifier: "com.brel.tessivar" version: "1" }
binary_images { base_address: 0x7f0000000000 size: 0x100000 name: "/lib/x86_64-linux-gnu/libc.so.6"
                uuid: "\x47\x9d\x8a\xa4\x2b\x19\x3a\x0c\x55\x61\x0e\x01\x4f\x3d\x9e\x21"
                code_type { encoding: TYPE_ENCODING_MACH type: 16777223 subtype: 3 } }
binary_images { base_address: 0x7f0000200000 size: 0x1000 name: "" }
)";

// Two threads, the second crashed: its frames are in the C library, in an image
// without a name and in none.
const std::string threads = R"(
threads { thread_number: 0 crashed: false frames { pc: 0x7f0000000100 } }
threads { thread_number: 1 crashed: true
          frames { pc: 0x7f0000000200 symbol { name: "abort" start_address: 0x7f00000001f0 } }
          frames { pc: 0x7f0000200010 }
          frames { pc: 0x10 } }
)";

// The committed crash log of an uncaught C++ exception: its frames are those the
// exception recorded, in the program's own image.
TEST(CrashReportEvent, AnUncaughtExceptionIsNamedAfterItsTypeAndReason) {
    const auto report = decoded(readBytes(std::filesystem::path(TESSIVAR_CRASHLOG_FIXTURES) / "linux-crash.zzcrash"));
    const json expected = json::parse(R"json({
      "$exception_level": "fatal",
      "$exception_list": [{
        "type": "std::out_of_range",
        "value": "vector::_M_range_check: __n (which is 9) >= this->size() (which is 8)",
        "mechanism": {"type": "nsexception", "handled": false, "synthetic": false},
        "stacktrace": {"type": "raw", "frames": [
          {"instruction_addr": "0x0000560016775d0a", "platform": "apple", "in_app": true, "module": "tessivar",
           "package": "tessivar", "image_addr": "0x0000560016775000", "function": "main",
           "symbol_addr": "0x0000560016775c90"},
          {"instruction_addr": "0x0000560016778062", "platform": "apple", "in_app": true, "module": "tessivar",
           "package": "tessivar", "image_addr": "0x0000560016775000",
           "function": "_ZN8tessivar10JumpEngine12jumpToScreenEi", "symbol_addr": "0x0000560016778000"}]},
        "thread_id": 0}],
      "$debug_images": [{"type": "macho", "code_file": "/usr/bin/tessivar", "image_addr": "0x0000560016775000",
                         "image_size": 1114112, "debug_id": "1F0A3C44-9D57-4E10-8A0B-CDE2F100937E",
                         "arch": "x86_64"}]})json");
    EXPECT_EQ(zerazov::crashReportEventProperties(report, zerazov::ZeraZovErrorTrackingConfig()), expected);
}

TEST(CrashReportEvent, ASignalIsNamedAfterItOrTheRuntimeFailureItsMessageDescribes) {
    struct Case {
        const char* what;
        std::string message;  // the crash-info message field, if any
        std::string type;
        std::string value;
        std::optional<std::string> metaMessage;
    };
    const std::vector<Case> cases{
        {"a plain signal", "", "SIGABRT", "SIGABRT (code SI_TKILL) at address 0x0000000000000000", std::nullopt},
        {"a blank message", R"(crash_info_message: " \n\t ")", "SIGABRT",
         "SIGABRT (code SI_TKILL) at address 0x0000000000000000", std::nullopt},
        {"a message that names no failure", R"(crash_info_message: "double free")", "SIGABRT",
         "SIGABRT (code SI_TKILL) at address 0x0000000000000000", "double free"},
        {"a fatal error with its file and line",
         R"(crash_info_message: "  Fatal error: Index out of range: file Jump/Engine.swift, line 42\n")", "Fatal error",
         "Fatal error: Index out of range: file Jump/Engine.swift, line 42",
         "Fatal error: Index out of range: file Jump/Engine.swift, line 42"},
        {"a failed assertion after its file and line",
         R"(crash_info_message: "Jump/Engine.swift:42: assertion failed: display gone")", "assertion failed",
         "Jump/Engine.swift:42: assertion failed: display gone",
         "Jump/Engine.swift:42: assertion failed: display gone"},
        {"a failed precondition without a message",
         R"(crash_info_message: "PRECONDITION FAILED: file a.swift, line 7")", "PRECONDITION FAILED",
         "PRECONDITION FAILED: file a.swift, line 7", "PRECONDITION FAILED: file a.swift, line 7"},
    };
    for (const auto& c : cases) {
        const auto properties = propertiesOf(x86Header + threads + R"(
signal { name: "SIGABRT" code: "SI_TKILL" address: 0 )" +
                                             c.message + " }");
        ASSERT_EQ(properties["$exception_list"].size(), 1u) << c.what;
        const auto entry = properties["$exception_list"][0];
        EXPECT_EQ(entry["type"], c.type) << c.what;
        EXPECT_EQ(entry["value"], c.value) << c.what;
        json signal{{"code", "SI_TKILL"}, {"name", "SIGABRT"}};
        if (c.metaMessage) signal["crash_info_message"] = *c.metaMessage;
        EXPECT_EQ(entry["mechanism"],
                  (json{{"type", "signal"}, {"handled", false}, {"synthetic", false}, {"meta", {{"signal", signal}}}}))
            << c.what;
        EXPECT_EQ(entry["thread_id"], 1) << c.what;
    }
}

// A report is bytes on disk: a control character in a name it gives (an escape
// sequence for a terminal, C0, DEL or C1) reaches the event as U+FFFD.
TEST(CrashReportEvent, ControlCharactersInTheSignalsNamesAreNotPassedOn) {
    struct Case {
        const char* what;
        std::string name, code;  // as protoc-c's text form writes them
        std::string type, shownCode;
    };
    const std::vector<Case> cases{
        {"an escape sequence", R"(\033[2JSIGSEGV)", "SEGV_MAPERR", "\uFFFD[2JSIGSEGV", "SEGV_MAPERR"},
        {"a C1 control and DEL", R"(SIG\302\233SEGV)", R"(SEGV\177)", "SIG\uFFFDSEGV", "SEGV\uFFFD"},
        {"a character beyond ASCII", "SIG\u00e9", "SEGV_MAPERR", "SIG\u00e9", "SEGV_MAPERR"},
    };
    for (const auto& c : cases) {
        const auto properties = propertiesOf(x86Header + threads + "signal { name: \"" + c.name + "\" code: \"" +
                                             c.code + "\" address: 16 }");
        ASSERT_EQ(properties["$exception_list"].size(), 1u) << c.what;
        const auto entry = properties["$exception_list"][0];
        EXPECT_EQ(entry["type"], c.type) << c.what;
        EXPECT_EQ(entry["value"], c.type + " (code " + c.shownCode + ") at address 0x0000000000000010") << c.what;
        EXPECT_EQ(entry["mechanism"]["meta"]["signal"], (json{{"code", c.shownCode}, {"name", c.type}})) << c.what;
    }
}

TEST(CrashReportEvent, AMachExceptionIsNamedAfterItsTypeAndCodes) {
    struct Case {
        std::string exception;
        std::string type;
        std::string value;
        json mach;
    };
    const std::vector<Case> cases{
        {"type: 1 codes: 1 codes: 16",
         "EXC_BAD_ACCESS",
         "EXC_BAD_ACCESS, Code KERN_INVALID_ADDRESS (1), Subcode 0x0000000000000010",
         {{"exception", 1}, {"code", 1}, {"subcode", 16}}},
        {"type: 1 codes: 77", "EXC_BAD_ACCESS", "EXC_BAD_ACCESS, Code 77", {{"exception", 1}, {"code", 77}}},
        {"type: 1 codes: 261 codes: 0",
         "EXC_BAD_ACCESS",
         "EXC_BAD_ACCESS, Code EXC_ARM_PAC_FAIL (261), Subcode 0x0000000000000000",
         {{"exception", 1}, {"code", 261}, {"subcode", 0}}},
        {"type: 6 codes: 1",
         "EXC_BREAKPOINT",
         "EXC_BREAKPOINT, Code EXC_ARM_BREAKPOINT (1)",
         {{"exception", 6}, {"code", 1}}},
        {"type: 3 codes: 18446744073709551615",
         "EXC_ARITHMETIC",
         "EXC_ARITHMETIC, Code -1",
         {{"exception", 3}, {"code", -1}}},
        {"type: 99 codes: 7", "EXC_UNKNOWN_99", "EXC_UNKNOWN_99, Code 7", {{"exception", 99}, {"code", 7}}},
        {"type: 10", "EXC_CRASH", "EXC_CRASH", {{"exception", 10}}},
    };
    for (const auto& c : cases) {
        // A crash caught as a Mach exception alone leaves signal 0 in its signal section.
        const auto properties = propertiesOf(x86Header + threads + R"(
signal { name: "#0" code: "#0" address: 0 mach_exception { )" +
                                             c.exception + " } }");
        const auto entry = properties["$exception_list"][0];
        EXPECT_EQ(entry["type"], c.type) << c.exception;
        EXPECT_EQ(entry["value"], c.value) << c.exception;
        EXPECT_EQ(entry["mechanism"]["type"], "mach_exception") << c.exception;
        // As written on the wire: JSON equality takes an unsigned and a signed number of the same bits as equal.
        EXPECT_EQ(entry["mechanism"]["meta"].dump(), json({{"mach", c.mach}}).dump()) << c.exception;
    }
}

// Which thread and which frames a report gives, and what they point into.
TEST(CrashReportEvent, FramesComeFromTheCrashedThreadUnlessTheExceptionRecordedItsOwn) {
    const auto libcFrame = json{{"instruction_addr", "0x00007f0000000200"},
                                {"platform", "apple"},
                                {"in_app", false},
                                {"module", "libc.so.6"},
                                {"package", "libc.so.6"},
                                {"image_addr", "0x00007f0000000000"},
                                {"function", "abort"},
                                {"symbol_addr", "0x00007f00000001f0"}};
    const auto unnamedImageFrame = json{{"instruction_addr", "0x00007f0000200010"},
                                        {"platform", "apple"},
                                        {"in_app", false},
                                        {"image_addr", "0x00007f0000200000"}};
    const auto nowhereFrame =
        json{{"instruction_addr", "0x0000000000000010"}, {"platform", "apple"}, {"in_app", false}};
    const auto libcImage = json{{"type", "macho"},
                                {"code_file", "/lib/x86_64-linux-gnu/libc.so.6"},
                                {"image_addr", "0x00007f0000000000"},
                                {"image_size", 0x100000},
                                {"debug_id", "479D8AA4-2B19-3A0C-5561-0E014F3D9E21"},
                                {"arch", "x86_64"}};
    const std::string signal = R"(signal { name: "SIGSEGV" code: "SEGV_MAPERR" address: 16 })";

    auto properties = propertiesOf(x86Header + threads + signal);
    EXPECT_EQ(properties["$exception_list"][0]["stacktrace"]["frames"],
              (json{nowhereFrame, unnamedImageFrame, libcFrame}));
    EXPECT_EQ(properties["$exception_list"][0]["value"], "SIGSEGV (code SEGV_MAPERR) at address 0x0000000000000010");
    EXPECT_EQ(properties["$debug_images"], json::array({libcImage})) << "an image without a name is left out";

    // No thread marked crashed: the first one stands for the crash.
    properties = propertiesOf(x86Header + R"(threads { thread_number: 0 crashed: false frames { pc: 0x10 } }
threads { thread_number: 1 crashed: false frames { pc: 0x7f0000000200 } })" +
                              signal);
    EXPECT_EQ(properties["$exception_list"][0]["thread_id"], 0);
    EXPECT_EQ(properties["$exception_list"][0]["stacktrace"]["frames"], json::array({nowhereFrame}));
    EXPECT_FALSE(properties.contains("$debug_images"));

    // An exception without a recorded stack: the crashed thread's frames, the exception's names.
    properties = propertiesOf(x86Header + threads + signal + R"(exception { name: "JumpError" reason: "" })");
    const auto entry = properties["$exception_list"][0];
    EXPECT_EQ(entry["type"], "JumpError");
    EXPECT_FALSE(entry.contains("value"));
    EXPECT_EQ(entry["stacktrace"]["frames"].size(), 3u);

    // Neither an exception, a signal nor a Mach exception: only the level and the images.
    properties = propertiesOf(x86Header + threads + R"(signal { name: "#0" code: "#0" address: 0 })");
    EXPECT_EQ(properties, (json{{"$exception_level", "fatal"}, {"$debug_images", json::array({libcImage})}}));

    // No threads at all.
    properties = propertiesOf(x86Header + signal);
    EXPECT_FALSE(properties["$exception_list"][0].contains("stacktrace"));
    EXPECT_FALSE(properties["$exception_list"][0].contains("thread_id"));
}

// A report from a processor that signs its return addresses: only there are they
// masked to 36 bits before they are looked up.
TEST(CrashReportEvent, SignedReturnAddressesAreStrippedOnlyWhereTheProcessorSignsThem) {
    const auto properties = propertiesOf(R"(
system_info { os_version: "14.0" architecture: ARCHITECTURE_UNKNOWN timestamp: 1717243200 }
machine_info { processor { encoding: TYPE_ENCODING_MACH type: 16777228 subtype: 2 } processor_count: 8
               logical_processor_count: 8 }
application_info { identifier: "com.brel.tessivar" version: "1" }
binary_images { base_address: 0x104a80000 size: 0x10000 name: "/Applications/Tessivar.app/Contents/MacOS/Tessivar"
                uuid: "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                code_type { encoding: TYPE_ENCODING_MACH type: 16777228 subtype: 2 } }
threads { thread_number: 0 crashed: true frames { pc: 0x8000000104a8c4f0 } }
signal { name: "SIGTRAP" code: "#0" address: 0 }
)");
    const auto frame = properties["$exception_list"][0]["stacktrace"]["frames"][0];
    EXPECT_EQ(frame["instruction_addr"], "0x0000000104a8c4f0");
    EXPECT_EQ(frame["module"], "Tessivar");
    EXPECT_EQ(properties["$debug_images"][0]["arch"], "arm64");
    EXPECT_EQ(properties["$debug_images"][0]["debug_id"], "0102030405060708090a0b0c0d0e0f")
        << "a UUID that is not 16 bytes stays as it is";
}

TEST(CrashReportEvent, ImageUUIDsAndArchitectures) {
    const std::vector<std::pair<std::string, std::string>> uuids{
        {"1f0a3c449d574e108a0bcde2f100937e", "1F0A3C44-9D57-4E10-8A0B-CDE2F100937E"},
        {"1F0A3C44-9D57-4E10-8A0B-CDE2F100937E", "1F0A3C44-9D57-4E10-8A0B-CDE2F100937E"},
        {"1f0a3c449d574e108a0bcde2f100937", "1f0a3c449d574e108a0bcde2f100937"},
        {"", ""},
    };
    for (const auto& [text, formatted] : uuids) EXPECT_EQ(zerazov::formatImageUUID(text), formatted) << text;

    using Encoding = ZZCrashReportProcessorInfo::TypeEncoding;
    const std::vector<std::pair<std::optional<ZZCrashReportProcessorInfo>, std::optional<std::string>>> processors{
        {ZZCrashReportProcessorInfo(Encoding::mach, 12, 9), "armv7"},
        {ZZCrashReportProcessorInfo(Encoding::mach, 12, 11), "armv7s"},
        {ZZCrashReportProcessorInfo(Encoding::mach, 12, 6), "arm"},
        {ZZCrashReportProcessorInfo(Encoding::mach, 0x1000007, 3), "x86_64"},
        {ZZCrashReportProcessorInfo(Encoding::mach, 0x100000C, 0), "arm64"},
        {ZZCrashReportProcessorInfo(Encoding::mach, 7, 3), std::nullopt},
        {std::nullopt, std::nullopt},
    };
    for (const auto& [processor, name] : processors) EXPECT_EQ(zerazov::architectureName(processor), name);
}

// A report is bytes on disk, whatever wrote them: however long its texts and
// its stack, the event carries at most 8 KiB of a text, cut between
// characters, and the innermost 512 frames, as many as the writer keeps.
TEST(CrashReportEvent, TextsAndFramesOfALogAreBoundedInTheEvent) {
    std::string reason = "x";
    for (int i = 0; i < 10000; ++i) reason += "\u00e9";
    std::string exception = "exception { name: \"std::length_error\" reason: \"" + reason + "\"";
    for (int i = 0; i < 2000; ++i) exception += " frames { pc: " + std::to_string(0x7f0000000000 + i) + " }";
    const auto properties =
        propertiesOf(x86Header + exception + " }\nsignal { name: \"SIGABRT\" code: \"#0\" address: 0 }");
    const auto& entry = properties["$exception_list"][0];
    const auto value = entry["value"].get<std::string>();
    EXPECT_EQ(value.size(), 8191u) << "the last whole character within 8192 bytes";
    EXPECT_TRUE(reason.starts_with(value));
    const auto& frames = entry["stacktrace"]["frames"];
    ASSERT_EQ(frames.size(), 512u);
    EXPECT_EQ(frames.front()["instruction_addr"], "0x00007f00000001ff") << "outermost of those kept";
    EXPECT_EQ(frames.back()["instruction_addr"], "0x00007f0000000000") << "the innermost";
}

}  // namespace
}  // namespace errortracking_tests
