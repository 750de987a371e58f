#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "tests/CrashReporter/Report/CrashLogArena.h"

namespace {

using tessivar::testing::CrashLogArena;
using Bytes = std::vector<std::uint8_t>;
using Encoding = ZZCrashReportProcessorInfo::TypeEncoding;

// The decoder's error text for `bytes`, empty when they hold a report.
std::string rejection(const Bytes& bytes) {
    const auto decoded = ZZCrashReport::fromData(bytes);
    const auto* error = std::get_if<ZZCrashReporterError>(&decoded);
    if (!error) return "";
    EXPECT_EQ(error->code(), ZZCrashReporterError::Code::invalidCrashReport);
    EXPECT_FALSE(error->description().empty());
    return error->description();
}

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string sizeRejection(std::size_t bodyLength) {
    return "Could not decode crash report with size of " + std::to_string(bodyLength) + " bytes.";
}

TEST(CrashLogHeader, OnlyTheMagicAndVersionOneOverANonEmptyBodyIsRead) {
    CrashLogArena arena;
    const Bytes valid = CrashLogArena::file(arena.linuxReport());
    const Bytes body(valid.begin() + 8, valid.end());
    const auto withHeader = [&body](std::string header) {
        Bytes file(header.begin(), header.end());
        file.insert(file.end(), body.begin(), body.end());
        return file;
    };
    struct Case {
        const char* what;
        Bytes bytes;
        std::string rejection;
    };
    const Case cases[] = {
        {"a valid log", valid, ""},
        {"no bytes", {}, "Could not decode truncated crash log"},
        {"a header alone (8 bytes)", Bytes(valid.begin(), valid.begin() + 8), "Could not decode truncated crash log"},
        {"a short file with any bytes", {'x', 'y'}, "Could not decode truncated crash log"},
        {"a header and one byte (9 bytes)", Bytes{'z', 'z', 'c', 'r', 'a', 's', 'h', 1, 0}, sizeRejection(1)},
        {"another magic", withHeader(std::string("zzcrasH\x01", 8)), "Could not decode invalid crash log header"},
        {"version 2", withHeader(std::string("zzcrash\x02", 8)),
         "Could not decode unsupported crash report version: 2"},
        {"version 0", withHeader(std::string("zzcrash\x00", 8)),
         "Could not decode unsupported crash report version: 0"},
        {"version 255", withHeader(std::string("zzcrash\xFF", 8)),
         "Could not decode unsupported crash report version: 255"},
        {"a body cut by one byte", Bytes(valid.begin(), valid.end() - 1), sizeRejection(body.size() - 1)},
    };
    for (const Case& c : cases) EXPECT_EQ(rejection(c.bytes), c.rejection) << c.what;
}

// Logs made by protobuf's own encoder, each without one required field; a
// missing field with a declared default (the architecture) reads as that default.
TEST(CrashLogHeader, EveryRequiredFieldMissingFailsTheWholeLog) {
    const std::filesystem::path logFolder = TESSIVAR_CRASHLOG_FIXTURES;
    EXPECT_EQ(rejection(fileBytes(logFolder / "required-fields.zzcrash")), "");
    std::size_t logs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(logFolder / "missing")) {
        const Bytes bytes = fileBytes(entry.path());
        const auto field = entry.path().stem().string();
        ++logs;
        if (field == "system_info.architecture") {
            EXPECT_EQ(rejection(bytes), "") << field;
            continue;
        }
        EXPECT_EQ(rejection(bytes), sizeRejection(bytes.size() - 8)) << field;
    }
    EXPECT_EQ(logs, 36u) << "one log per required field of the schema";
}

void uuid(CrashLogArena& arena, Zzcrash__CrashReport& report, std::size_t length) {
    report.report_info->uuid = arena.bytes(Bytes(length, 0xAB));
}

void codes(CrashLogArena& arena, Zzcrash__CrashReport& report, std::size_t count) {
    auto& mach = arena.make(zzcrash__crash_report__signal__mach_exception__init);
    mach.type = 1;
    const auto codes = arena.bytes(Bytes(count * sizeof(std::uint64_t), 0));
    mach.codes = reinterpret_cast<std::uint64_t*>(codes.data);
    mach.n_codes = count;
    report.signal->mach_exception = &mach;
}

TEST(CrashReportRules, UUIDArchitectureAndMachCodesDecideWhetherAReportIsRead) {
    struct Case {
        const char* what;
        void (*change)(CrashLogArena&, Zzcrash__CrashReport&);
        std::string rejection;
    };
    const std::string badUUID = "Report UUID value is not a standard 16 bytes";
    const std::string unknownArchitecture = "Crash report has an unknown architecture";
    const std::string tooManyCodes = "Crash report includes too many Mach Exception codes";
    const Case cases[] = {
        {"UUID of 16 bytes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { uuid(a, r, 16); }, ""},
        {"UUID of 15 bytes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { uuid(a, r, 15); }, badUUID},
        {"UUID of 17 bytes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { uuid(a, r, 17); }, badUUID},
        {"UUID of no bytes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { uuid(a, r, 0); }, badUUID},
        {"no UUID", [](CrashLogArena&, Zzcrash__CrashReport& r) { r.report_info->has_uuid = false; }, ""},
        {"no report information", [](CrashLogArena&, Zzcrash__CrashReport& r) { r.report_info = nullptr; }, ""},
        {"255 Mach codes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { codes(a, r, 255); }, ""},
        {"256 Mach codes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { codes(a, r, 256); }, tooManyCodes},
        {"no Mach codes", [](CrashLogArena& a, Zzcrash__CrashReport& r) { codes(a, r, 0); }, ""},
        {"unknown architecture without a machine",
         [](CrashLogArena&, Zzcrash__CrashReport& r) {
             r.machine_info = nullptr;
             r.system_info->architecture = ZZCRASH__ARCHITECTURE__ARCHITECTURE_UNKNOWN;
         },
         unknownArchitecture},
        {"architecture 7 without a machine",
         [](CrashLogArena&, Zzcrash__CrashReport& r) {
             r.machine_info = nullptr;
             r.system_info->architecture = Zzcrash__Architecture(7);
         },
         unknownArchitecture},
        {"unknown architecture with a machine",
         [](CrashLogArena&, Zzcrash__CrashReport& r) {
             r.system_info->architecture = ZZCRASH__ARCHITECTURE__ARCHITECTURE_UNKNOWN;
         },
         ""},
        {"a bad UUID is named before an unknown architecture",
         [](CrashLogArena& a, Zzcrash__CrashReport& r) {
             uuid(a, r, 15);
             r.machine_info = nullptr;
             r.system_info->architecture = ZZCRASH__ARCHITECTURE__ARCHITECTURE_UNKNOWN;
         },
         badUUID},
    };
    for (const Case& c : cases) {
        CrashLogArena arena;
        auto& report = arena.linuxReport();
        c.change(arena, report);
        EXPECT_EQ(rejection(CrashLogArena::file(report)), c.rejection) << c.what;
    }
}

TEST(CrashReportRules, WithoutAMachineTheArchitectureNamesTheProcessor) {
    struct Case {
        Zzcrash__Architecture architecture;
        std::uint64_t type;
        std::uint64_t subtype;
    };
    const Case cases[] = {
        {ZZCRASH__ARCHITECTURE__X86_32, 7, 3},        {ZZCRASH__ARCHITECTURE__X86_64, 0x1000007, 3},
        {ZZCRASH__ARCHITECTURE__ARMV6, 12, 6},        {ZZCRASH__ARCHITECTURE__PPC, 18, 0},
        {ZZCRASH__ARCHITECTURE__PPC64, 0x1000012, 0}, {ZZCRASH__ARCHITECTURE__ARMV7, 12, 9},
    };
    for (const Case& c : cases) {
        CrashLogArena arena;
        auto& message = arena.linuxReport();
        message.machine_info = nullptr;
        message.system_info->architecture = c.architecture;
        const auto report = CrashLogArena::decoded(message);
        const auto& processor = report.systemInfo().processorInfo();
        EXPECT_EQ(processor.typeEncoding(), Encoding::mach) << c.architecture;
        EXPECT_EQ(processor.type(), c.type) << c.architecture;
        EXPECT_EQ(processor.subtype(), c.subtype) << c.architecture;
        EXPECT_FALSE(report.hasMachineInfo());
    }

    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.machine_info->processor = &arena.processor(12, 9);
    const auto report = CrashLogArena::decoded(message);
    EXPECT_EQ(report.systemInfo().architecture(), ZZCrashReportSystemInfo::Architecture::x86_64);
    EXPECT_EQ(report.systemInfo().processorInfo().type(), 12u) << "the machine's processor wins";
    EXPECT_EQ(report.machineInfo()->processorInfo().subtype(), 9u);
}

TEST(CrashReportSections, ValuesTheLogLeavesOutAreAbsentAndTheRestKeptAsWritten) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.system_info->timestamp = 0;
    message.system_info->os_build = nullptr;
    message.process_info->has_start_time = false;
    message.process_info->process_path = nullptr;
    auto& exception = arena.make(zzcrash__crash_report__exception__init);
    exception.name = arena.text("std::out_of_range");
    exception.reason = arena.text("");
    message.exception = &exception;
    message.has_custom_data = true;
    message.custom_data = arena.bytes({0x00, 0xFF, 0x7B});
    auto& symbolWithEnd = *message.threads[1]->frames[0]->symbol;
    symbolWithEnd.has_end_address = true;
    symbolWithEnd.end_address = 0x560016778300;
    auto& images = message.binary_images;
    images[0]->has_uuid = true;
    images[0]->uuid =
        arena.bytes({0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f, 0x60, 0x71, 0x82, 0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9});
    images[1]->has_uuid = true;  // an empty UUID is no UUID
    images[1]->code_type = nullptr;

    const auto report = CrashLogArena::decoded(message);
    EXPECT_EQ(report.systemInfo().operatingSystem(), ZZCrashReportSystemInfo::OperatingSystem::unknown);
    EXPECT_EQ(report.systemInfo().operatingSystemVersion(), "6.1.0");
    EXPECT_FALSE(report.systemInfo().operatingSystemBuild());
    EXPECT_FALSE(report.systemInfo().timestamp()) << "0 means the clock could not be read";
    EXPECT_EQ(report.machineInfo()->modelName(), "Standard PC (Q35 + ICH9, 2009)");
    EXPECT_EQ(report.machineInfo()->logicalProcessorCount(), 8u);
    EXPECT_EQ(report.applicationInfo().applicationMarketingVersion(), "1.0.0");
    ASSERT_TRUE(report.hasProcessInfo());
    EXPECT_FALSE(report.processInfo()->processStartTime());
    EXPECT_FALSE(report.processInfo()->processPath());
    EXPECT_EQ(report.processInfo()->parentProcessName(), "systemd");
    EXPECT_TRUE(report.processInfo()->native());
    EXPECT_FALSE(report.machExceptionInfo());
    EXPECT_FALSE(report.signalInfo().crashInfoMessage());
    ASSERT_TRUE(report.hasExceptionInfo());
    EXPECT_EQ(report.exceptionInfo()->exceptionReason(), "");
    EXPECT_FALSE(report.exceptionInfo()->stackFrames()) << "an exception without frames has none, not an empty list";
    EXPECT_EQ(report.customData(), (Bytes{0x00, 0xFF, 0x7B}));
    EXPECT_EQ(report.uuid(), (ZZCrashReport::UUID{0x6e, 0x2f, 0x1b, 0x0c, 0x8d, 0x4a, 0x4f, 0x93, 0xa1, 0x5e, 0x77,
                                                  0x20, 0x3b, 0xc4, 0x09, 0xd8}));
    const auto& frames = report.threads()[1].stackFrames();
    EXPECT_EQ(frames[0].symbolInfo()->endAddress(), 0x560016778300u);
    EXPECT_FALSE(frames[1].symbolInfo());
    EXPECT_EQ(report.threads()[0].stackFrames()[0].symbolInfo()->endAddress(), 0u) << "absent end address";
    EXPECT_EQ(report.images()[0].imageUUID(), "0a1b2c3d4e5f60718293a4b5c6d7e8f9");
    EXPECT_TRUE(report.images()[0].hasImageUUID());
    EXPECT_FALSE(report.images()[1].hasImageUUID());
    EXPECT_FALSE(report.images()[1].codeType());
}

TEST(CrashReportSections, TimesAreDatesAndArm64eAddressesLoseTheirAuthenticationBits) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.threads[1]->frames[1]->pc = 0x8F00000123456789;
    auto report = CrashLogArena::decoded(message);
    EXPECT_EQ(report.systemInfo().timestamp()->time_since_epoch().count(), 1717243200);
    EXPECT_EQ(report.processInfo()->processStartTime()->time_since_epoch().count(), 1717243100);
    EXPECT_EQ(report.threads()[1].stackFrames()[1].instructionPointer(), 0x8F00000123456789u) << "x86-64 keeps it";
    message.process_info->start_time = 0x8000000000000000;
    EXPECT_FALSE(CrashLogArena::decoded(message).processInfo()->processStartTime()) << "no date before 1970 from it";

    message.machine_info->processor = &arena.processor(0x100000c, 2);
    report = CrashLogArena::decoded(message);
    EXPECT_EQ(report.threads()[1].stackFrames()[1].instructionPointer(), 0x123456789u);
    message.machine_info->processor = &arena.processor(0x100000c, 0);
    report = CrashLogArena::decoded(message);
    EXPECT_EQ(report.threads()[1].stackFrames()[1].instructionPointer(), 0x8F00000123456789u) << "plain arm64 keeps it";
}

TEST(CrashReportImages, AnAddressBelongsToTheFirstImageThatHoldsIt) {
    CrashLogArena arena;
    auto& message = arena.linuxReport();
    arena.setList(
        message.binary_images, message.n_binary_images,
        {&arena.image(0x1000, 0x100, "/a"), &arena.image(0x1080, 0x100, "/b"), &arena.image(0x3000, 0, "/empty"),
         &arena.image(0xFFFFFFFFFFFFFF00, 0x200, "/wraps"), &arena.image(0x1000, 0x1000, "/around")});
    const auto report = CrashLogArena::decoded(message);
    struct Case {
        std::uint64_t address;
        const char* image;
    };
    const Case cases[] = {
        {0xFFF, nullptr},
        {0x1000, "/a"},
        {0x10FF, "/a"},  // inside both: the first listed wins
        {0x1100, "/b"},  // the end of /a is outside it
        {0x117F, "/b"},
        {0x1180, "/around"},  // listed last, it has what the others leave
        {0x1FFF, "/around"},
        {0x2000, nullptr},
        {0x3000, nullptr},  // an image of size 0 holds nothing
        {0xFFFFFFFFFFFFFF00, "/wraps"},
        {0xFFFFFFFFFFFFFFFF, "/wraps"},
        {0x0, nullptr},  // no wrap past the end of the address space
        {0xFF, nullptr},
    };
    for (const Case& c : cases) {
        const auto* image = report.imageForAddress(c.address);
        EXPECT_EQ(image ? image->imageName() : "none", c.image ? c.image : "none") << std::hex << c.address;
    }
}

}  // namespace
