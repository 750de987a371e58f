#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Report/ZZCrashReportTextFormatter.h"
#include "tests/CrashReporter/Report/CrashLogArena.h"

namespace {

using tessivar::testing::CrashLogArena;
using Formatter = ZZCrashReportTextFormatter;

std::string text(const Zzcrash__CrashReport& message) {
    return Formatter::stringValueForCrashReport(CrashLogArena::decoded(message), Formatter::TextFormat::classic);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// The lines after the one that starts with `heading`, up to the next blank line.
std::vector<std::string> section(const std::string& text, const std::string& heading) {
    const auto all = lines(text);
    std::vector<std::string> found;
    bool inside = false;
    for (const auto& line : all) {
        if (inside && line.empty()) break;
        if (inside) found.push_back(line);
        if (line.rfind(heading, 0) == 0) inside = true;
    }
    return found;
}

TEST(TextReport, ImagesPrintSortedByBaseOnceEachWithTheirEnds) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    auto& libc = arena.image(0x7f3683310000, 0x176000, "/usr/lib/x86_64-linux-gnu/libc.so.6");
    libc.has_uuid = true;
    libc.uuid =
        arena.bytes({0x47, 0x9d, 0x8a, 0xa4, 0x2b, 0x19, 0x3a, 0x0c, 0x55, 0x61, 0x0e, 0x01, 0x4f, 0x3d, 0x9e, 0x21});
    auto& unknownProcessor = arena.image(0x7f3683900000, 0x1000, "/opt/odd/");
    unknownProcessor.code_type = &arena.processor(99, 0);
    arena.setList(message.binary_images, message.n_binary_images,
                  {&libc, &arena.image(0x560016775000, 0x110000, "/usr/bin/tessivar"), &unknownProcessor,
                   &arena.image(0x7f3683310000, 0x176000, "/lib/x86_64-linux-gnu/libc.so.6"),
                   &arena.image(0x7ffcd40e6000, 0, "linux-vdso.so.1")});
    EXPECT_EQ(section(text(message), "Binary Images:"),
              (std::vector<std::string>{
                  "    0x560016775000 -     0x560016884fff +tessivar x86_64  <??\?> /usr/bin/tessivar",
                  "    0x7f3683310000 -     0x7f3683485fff  libc.so.6 x86_64  <479d8aa42b193a0c55610e014f3d9e21> "
                  "/usr/lib/x86_64-linux-gnu/libc.so.6",
                  "    0x7f3683900000 -     0x7f3683900fff  odd ???  <??\?> /opt/odd/",
                  "    0x7ffcd40e6000 -     0x7ffcd40e6000  linux-vdso.so.1 x86_64  <??\?> linux-vdso.so.1",
              }));
}

TEST(TextReport, ThirtyTwoBitCodeAndARMNamesTheirRegistersTheirWay) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.machine_info->processor = &arena.processor(12, 9);
    auto& image = arena.image(0x4000, 0x1000, "/usr/bin/armapp");
    image.code_type = &arena.processor(12, 9);
    arena.setList(message.binary_images, message.n_binary_images, {&image});
    arena.setList(message.threads[1]->registers, message.threads[1]->n_registers,
                  {&arena.registerValue("r12", 0xABCD), &arena.registerValue("sp", 0x10)});
    arena.setList(message.threads[1]->frames, message.threads[1]->n_frames, {&arena.frame(0x4010)});
    const auto report = text(message);
    EXPECT_EQ(section(report, "Thread 1 crashed with ARM Thread State:"),
              (std::vector<std::string>{"    ip: 0x0000abcd     sp: 0x00000010 "}));
    EXPECT_EQ(section(report, "Thread 1 Crashed:"),
              (std::vector<std::string>{"0   armapp                              0x00004010 0x4000 + 16"}));
    EXPECT_EQ(section(report, "Binary Images:"),
              (std::vector<std::string>{"    0x4000 -     0x4fff  armapp armv7  <??\?> /usr/bin/armapp"}));
}

TEST(TextReport, AFrameLineAloneTakesTheAddressWidthItIsGiven) {
    CrashLogArena arena;
    const auto report = CrashLogArena::decoded(arena.linuxReport());
    const auto& frame = report.threads()[1].stackFrames()[1];
    EXPECT_EQ(Formatter::formatStackFrame(frame, 12, report, true),
              "12  tessivar                            0x0000560016777001 0x560016775000 + 8193\n");
    EXPECT_EQ(Formatter::formatStackFrame(frame, 3, report, false),
              "3   tessivar                            0x560016777001 0x560016775000 + 8193\n");
}

TEST(TextReport, WithoutACrashedThreadThereIsNoCrashedThreadLineAndNoThreadState) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.threads[1]->crashed = false;
    const auto report = text(message);
    EXPECT_NE(report.find("Exception Type:  SIGSEGV\nException Codes: SEGV_MAPERR at 0x10\n\nThread 0:\n"),
              std::string::npos)
        << report;
    EXPECT_EQ(report.find("Crashed"), std::string::npos) << report;
    EXPECT_EQ(report.find("Thread State"), std::string::npos) << report;
}

TEST(TextReport, HeaderValuesTheReportLacksPrintAsQuestionMarks) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.report_info = nullptr;
    message.process_info = nullptr;
    message.machine_info->model = nullptr;
    message.system_info->os_build = nullptr;
    message.system_info->timestamp = 0;
    message.application_info->marketing_version = nullptr;
    const auto header = lines(text(message));
    EXPECT_EQ(std::vector<std::string>(header.begin(), header.begin() + 12),
              (std::vector<std::string>{
                  "Incident Identifier: ???",
                  "Hardware Model:      ???",
                  "Process:         ??? [???]",
                  "Path:            ???",
                  "Identifier:      com.brel.tessivar",
                  "Version:         1",
                  "Code Type:       X86-64",
                  "Parent Process:  ??? [???]",
                  "",
                  "Date/Time:       ???",
                  "OS Version:      Unknown (3) 6.1.0 (??\?)",
                  "Report Version:  104",
              }));
}

TEST(TextReport, TheFirstImageOfAKnownProcessorElseTheSystemNamesTheCodeType) {
    struct Case {
        std::uint64_t imageType;  // 0: the image has no code type
        Zzcrash__CrashReport__Processor__TypeEncoding imageEncoding;
        std::uint64_t systemType;
        Zzcrash__CrashReport__Processor__TypeEncoding systemEncoding;
        const char* codeType;
        const char* frameAddress;
    };
    constexpr auto mach = ZZCRASH__CRASH_REPORT__PROCESSOR__TYPE_ENCODING__TYPE_ENCODING_MACH;
    constexpr auto unknown = ZZCRASH__CRASH_REPORT__PROCESSOR__TYPE_ENCODING__TYPE_ENCODING_UNKNOWN;
    const Case cases[] = {
        {7, mach, 0x1000007, mach, "X86", "0x00004010"},
        {18, mach, 0x1000007, mach, "PPC", "0x00004010"},
        {0x100000c, mach, 7, mach, "ARM-64", "0x0000000000004010"},
        {7, unknown, 0x1000007, mach, "X86-64", "0x0000000000004010"},
        {99, mach, 12, mach, "ARM", "0x00004010"},
        {0, mach, 99, mach, "Unknown (99)", "0x0000000000004010"},
        {0, mach, 7, unknown, "Unknown", "0x0000000000004010"},
    };
    for (const Case& c : cases) {
        CrashLogArena arena;
        auto& message = arena.linuxReport();
        auto& image = arena.image(0x4000, 0x1000, "/usr/bin/app");
        image.code_type = c.imageType == 0 ? nullptr : &arena.processor(c.imageType, 0);
        if (image.code_type) image.code_type->encoding = c.imageEncoding;
        arena.setList(message.binary_images, message.n_binary_images, {&image});
        message.machine_info->processor = &arena.processor(c.systemType, 0);
        message.machine_info->processor->encoding = c.systemEncoding;
        arena.setList(message.threads[0]->frames, message.threads[0]->n_frames, {&arena.frame(0x4010)});
        const auto report = text(message);
        EXPECT_NE(report.find(std::string("Code Type:       ") + c.codeType + "\n"), std::string::npos) << c.codeType;
        EXPECT_NE(
            report.find(std::string("0   app                                 ") + c.frameAddress + " 0x4000 + 16\n"),
            std::string::npos)
            << c.codeType;
    }
}

TEST(TextReport, ImageArchitecturesAreNamedByTypeAndSubtype) {
    struct Case {
        std::uint64_t type;
        std::uint64_t subtype;
        const char* name;
    };
    const Case cases[] = {
        {7, 3, "i386"},
        {12, 6, "armv6"},
        {12, 9, "armv7"},
        {12, 11, "armv7s"},
        {12, 5, "arm-unknown"},
        {12, 0x01000009, "armv7"},
        {0x100000c, 0, "arm64"},
        {0x100000c, 1, "armv8"},
        {0x100000c, 2, "arm64e"},
        {0x100000c, 0x80000002, "arm64e"},
        {0x100000c, 7, "arm64-unknown"},
        {18, 0, "powerpc"},
        {0x1000007, 3, "x86_64"},
        {0x1000012, 0, "???"},
    };
    for (const Case& c : cases) {
        CrashLogArena arena;
        auto& message = arena.linuxReport();
        auto& image = arena.image(0x4000, 0x1000, "/usr/lib/libx.so");
        image.code_type = &arena.processor(c.type, c.subtype);
        arena.setList(message.binary_images, message.n_binary_images,
                      {&arena.image(0x1000, 0x1000, "/usr/bin/tessivar"), &image});
        const auto images = section(text(message), "Binary Images:");
        ASSERT_EQ(images.size(), 2u);
        EXPECT_NE(images[1].find(std::string(" libx.so ") + c.name + "  <??\?>"), std::string::npos) << images[1];
    }
}

TEST(TextReport, SymbolsLoseALeadingUnderscoreOnlyWhereThatIsTheSystemsDecoration) {
    struct Case {
        Zzcrash__CrashReport__SystemInfo__OperatingSystem system;
        const char* osName;
        const char* symbol;
        int warnings;
    };
    const Case cases[] = {
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__MAC_OS_X, "Mac OS X", "ZN8tessivar4jumpEv + 98", 0},
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__IPHONE_OS, "iPhone OS", "ZN8tessivar4jumpEv + 98", 0},
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__IPHONE_SIMULATOR, "Mac OS X", "ZN8tessivar4jumpEv + 98",
         0},
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__APPLE_TVOS, "Apple tvOS", "ZN8tessivar4jumpEv + 98", 0},
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__LINUX, "Linux", "_ZN8tessivar4jumpEv + 98", 0},
        {ZZCRASH__CRASH_REPORT__SYSTEM_INFO__OPERATING_SYSTEM__OS_UNKNOWN, "Unknown (3)", "_ZN8tessivar4jumpEv + 98",
         1},
        {Zzcrash__CrashReport__SystemInfo__OperatingSystem(9), "Unknown (9)", "_ZN8tessivar4jumpEv + 98", 1},
    };
    for (const Case& c : cases) {
        CrashLogArena arena;
        auto& message = arena.linuxReport();
        message.system_info->operating_system = c.system;
        message.threads[0]->n_frames = 0;
        auto& thread = *message.threads[1];
        arena.setList(thread.frames, thread.n_frames,
                      {&arena.frame(0x560016778262, "_ZN8tessivar4jumpEv", 0x560016778200),
                       &arena.frame(0x560016778300, "_ZN8tessivar4stepEv", 0x560016778300),
                       &arena.frame(0x560016778400, "_", 0x560016778400)});
        testing::internal::CaptureStderr();
        const auto report = text(message);
        const auto log = testing::internal::GetCapturedStderr();
        EXPECT_NE(report.find(std::string("OS Version:      ") + c.osName + " 6.1.0"), std::string::npos) << c.osName;
        const auto frames = section(report, "Thread 1 Crashed:");
        ASSERT_EQ(frames.size(), 3u);
        EXPECT_EQ(frames[0], std::string("0   tessivar                            0x0000560016778262 ") + c.symbol);
        EXPECT_EQ(frames[2].substr(frames[2].size() - 6), " _ + 0") << "a lone underscore is a name";
        const std::string warning =
            "[ZZCrashReporter] Symbol \"_ZN8tessivar4jumpEv\" prefix rules are unknown for this OS!\n";
        EXPECT_EQ(log, c.warnings ? warning : "") << "once per report, not per frame: " << c.osName;
    }
}

TEST(TextReport, TheFormatterGivesBytesInItsEncoding) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.process_info->process_name = arena.text("t\xC3\xA9ssivar \xE6\x9D\xB1");
    const auto report = CrashLogArena::decoded(message);
    const auto utf8 = Formatter(Formatter::TextFormat::classic, Formatter::StringEncoding::utf8).formatReport(report);
    const auto ascii = Formatter(Formatter::TextFormat::classic, Formatter::StringEncoding::ascii).formatReport(report);
    const std::string utf8Text(utf8.begin(), utf8.end());
    const std::string asciiText(ascii.begin(), ascii.end());
    EXPECT_EQ(utf8Text, Formatter::stringValueForCrashReport(report, Formatter::TextFormat::classic));
    EXPECT_NE(utf8Text.find("Process:         t\xC3\xA9ssivar \xE6\x9D\xB1 [4242]\n"), std::string::npos);
    EXPECT_NE(asciiText.find("Process:         t?ssivar ? [4242]\n"), std::string::npos);
    EXPECT_EQ(asciiText.size(), utf8Text.size() - 3) << "one byte for each character";
}

}  // namespace
