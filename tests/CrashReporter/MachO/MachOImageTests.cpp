#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_symtab_reader.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/MachO/SwappedCopy.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using namespace tessivar::testing::macho;

// The images a test reads: each fixture loaded as a loader would, and copies
// built in memory from the real files.
struct Case {
    const char* what;
    const char* layoutOf;  // the fixture whose answers describe the bytes
    std::function<std::vector<std::uint8_t>()> bytes;
    bool atOwnAddress;
};

std::vector<std::uint8_t> fixtureBytes(const char* name) { return readFixture(name); }

std::vector<Case> imageCases() {
    return {
        {"executable at its own address", "fixture", [] { return fixtureBytes("fixture"); }, true},
        {"dylib anywhere", "libfixture.dylib", [] { return fixtureBytes("libfixture.dylib"); }, false},
        {"stripped executable anywhere", "fixture-stripped", [] { return fixtureBytes("fixture-stripped"); }, false},
        {"arm64 executable anywhere", "fixture-arm64", [] { return fixtureBytes("fixture-arm64"); }, false},
        {"32-bit ARM executable anywhere", "fixture-armv7", [] { return fixtureBytes("fixture-armv7"); }, false},
        {"x86_64 slice of the universal file", "fixture",
         [] {
             const std::vector<std::uint8_t> all = readFixture("fixture-universal");
             const SliceAnswer slice = x86Slice("fixture-universal");
             return std::vector<std::uint8_t>(all.begin() + static_cast<std::ptrdiff_t>(slice.offset),
                                              all.begin() + static_cast<std::ptrdiff_t>(slice.offset + slice.size));
         },
         false},
        {"byte-swapped copy of the executable", "fixture",
         [] { return byteSwappedCopy(readFixture("fixture"), headersAnswer("fixture")); }, false},
    };
}

std::uint32_t cpuTypeNamed(const std::string& name) {
    if (name == "X86_64") return 0x01000007;
    if (name == "ARM64") return 0x0100000c;
    if (name == "ARM") return 12;
    ADD_FAILURE() << "unknown CPU type " << name;
    return 0;
}

std::string uuidText(const std::uint8_t* bytes) {
    char text[37];
    std::snprintf(text, sizeof text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

std::vector<std::pair<std::uint32_t, std::uint32_t>> iteratedCommands(zzcrash_async_macho_image* image) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> commands;
    for (const void* command = zzcrash_async_macho_command_iterate(image, nullptr); command;
         command = zzcrash_async_macho_command_iterate(image, command)) {
        std::uint32_t size = 0;
        std::memcpy(&size, static_cast<const char*>(command) + 4, 4);
        commands.emplace_back(zzcrash_async_macho_command_type(image, command), image->byteorder->swap32(size));
    }
    return commands;
}

void expectSectionsMapAsAnswered(zzcrash_async_macho_image* image, const HeadersAnswer& answer, std::uint64_t slide) {
    for (const CommandAnswer& command : answer.commands) {
        for (const auto& section : command.sections) {
            const std::uint64_t size = std::stoull(section.at("size"), nullptr, 0);
            if (size == 0) continue;
            zzcrash_async_mobject mapped;
            ASSERT_EQ(zzcrash_async_macho_map_section(image, section.at("segname").c_str(),
                                                      section.at("sectname").c_str(), &mapped),
                      ZZCRASH_ESUCCESS)
                << section.at("sectname");
            EXPECT_EQ(zzcrash_async_mobject_base_address(&mapped), std::stoull(section.at("addr"), nullptr, 0) + slide);
            EXPECT_EQ(zzcrash_async_mobject_length(&mapped), size);
            zzcrash_async_mobject_free(&mapped);
        }
    }
}

TEST(MachOImage, ReadsEachImageAsTheLlvmToolsDescribeIt) {
    for (const Case& c : imageCases()) {
        SCOPED_TRACE(c.what);
        FixtureImage fixture(c.bytes(), c.layoutOf, c.atOwnAddress);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        zzcrash_async_macho_image* image = fixture.image();
        const HeadersAnswer answer = headersAnswer(c.layoutOf);
        const CommandAnswer& text = answer.segment("__TEXT");
        EXPECT_EQ(image->slide, fixture.loaded().header() - text.number("vmaddr"));
        EXPECT_EQ(image->slide, fixture.slide());
        EXPECT_EQ(image->image.text_size, text.number("vmsize"));
        EXPECT_EQ(zzcrash_async_macho_cpu_type(image), cpuTypeNamed(answer.cputype));
        EXPECT_EQ(image->m64, answer.magic == "MH_MAGIC_64");

        std::vector<std::pair<std::uint32_t, std::uint32_t>> expected;
        for (const CommandAnswer& command : answer.commands)
            expected.emplace_back(commandNumber(command.type), command.size);
        EXPECT_EQ(iteratedCommands(image), expected);

        std::uint8_t uuid[16];
        ASSERT_TRUE(zzcrash_async_macho_uuid(image, uuid));
        EXPECT_EQ(uuidText(uuid), answer.command("LC_UUID").fields.at("uuid"));

        expectSectionsMapAsAnswered(image, answer, fixture.slide());
        zzcrash_async_mobject none;
        EXPECT_EQ(zzcrash_async_macho_map_section(image, "__TEXT", "__nothing", &none), ZZCRASH_ENOTFOUND);
        EXPECT_EQ(zzcrash_async_macho_map_section(image, "__NOTHING", "__text", &none), ZZCRASH_ENOTFOUND);

        const std::uint64_t header = fixture.loaded().header();
        EXPECT_TRUE(zzcrash_async_macho_contains_address(image, header));
        EXPECT_TRUE(zzcrash_async_macho_contains_address(image, header + text.number("vmsize") - 1));
        EXPECT_FALSE(zzcrash_async_macho_contains_address(image, header + text.number("vmsize")));
        EXPECT_FALSE(zzcrash_async_macho_contains_address(image, header - 1));
    }
}

// The offset of load command `index` in the file.
std::size_t commandOffset(const HeadersAnswer& answer, std::size_t index) {
    std::size_t at = answer.magic == "MH_MAGIC_64" ? 32 : 28;
    for (std::size_t i = 0; i < index; ++i) at += answer.commands[i].size;
    return at;
}

void put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    std::memcpy(&bytes[at], &value, 4);
}

TEST(MachOImage, ACommandOfSizeFourEndsTheIteration) {
    const HeadersAnswer answer = headersAnswer("fixture");
    const std::size_t symtab = answer.indexOf("LC_SYMTAB");
    std::vector<std::uint8_t> bytes = readFixture("fixture");
    put32(bytes, commandOffset(answer, symtab) + 4, 4);
    FixtureImage fixture(bytes, "fixture", false);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    EXPECT_EQ(iteratedCommands(fixture.image()).size(), symtab);
    EXPECT_NE(zzcrash_async_macho_segment_command_by_name(fixture.image(), "__LINKEDIT"), nullptr);
    EXPECT_EQ(
        zzcrash_async_macho_symbol_at_pc(
            fixture.image(), fixture.loaded().header() + 0x800, [](std::uint64_t, const char*, void*) {}, nullptr),
        ZZCRASH_ENOTFOUND);
}

void put64(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint64_t value) {
    std::memcpy(&bytes[at], &value, 8);
}

// Mapping copies the bytes: sizes a corrupt image claims must not make a crash
// handler copy gigabytes. A segment is mapped up to the limit, a larger
// section not at all.
TEST(MachOImage, HugeSizesAreNotMapped) {
    const HeadersAnswer answer = headersAnswer("fixture");
    std::vector<std::uint8_t> bytes = readFixture("fixture");
    std::size_t at = 32;
    for (const CommandAnswer& command : answer.commands) {
        if (command.type == "LC_SEGMENT_64" && command.fields.at("segname") == "__LINKEDIT")
            put64(bytes, at + 32, 1ull << 32);
        for (std::size_t i = 0; i < command.sections.size(); ++i) {
            if (command.sections[i].at("sectname") == "__crash_info") put64(bytes, at + 72 + i * 80 + 40, 1ull << 30);
        }
        at += command.size;
    }
    FixtureImage fixture(bytes, "fixture", false);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    zzcrash_async_mobject section;
    EXPECT_EQ(zzcrash_async_macho_map_section(fixture.image(), "__DATA", "__crash_info", &section), ZZCRASH_ENOMEM);
    const NmSymbol visible = nmSymbol("fixture", "_fixture_visible");
    std::uint64_t address = 0;
    EXPECT_EQ(zzcrash_async_macho_symbol_by_name(fixture.image(), "_fixture_visible", &address), ZZCRASH_ESUCCESS);
    EXPECT_EQ(address, visible.value + fixture.slide());

    std::vector<std::uint8_t> commands = readFixture("fixture");
    put32(commands, 20, 0x40000000);  // sizeofcmds
    zzcrash_async_macho_image image{};
    EXPECT_EQ(zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "commands",
                                             reinterpret_cast<std::uint64_t>(commands.data())),
              ZZCRASH_EINVAL);
}

TEST(MachOImage, RefusesWhatIsNotALoadableImage) {
    tessivar::testing::GuardedPages pages;
    zzcrash_async_macho_image image{};
    EXPECT_EQ(zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "gone", pages.unmapped()), ZZCRASH_EINTERNAL);

    std::vector<std::uint8_t> unknownMagic = readFixture("fixture");
    put32(unknownMagic, 0, 0xfeedfacd);
    EXPECT_EQ(zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "magic",
                                             reinterpret_cast<std::uint64_t>(unknownMagic.data())),
              ZZCRASH_EINVAL);

    // An object file has one unnamed segment and no LC_UUID; named __TEXT it loads.
    std::vector<std::uint8_t> object = readFixture("symbols.o");
    const auto at = reinterpret_cast<std::uint64_t>(object.data());
    EXPECT_EQ(zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "object", at), ZZCRASH_EINVAL);
    std::memcpy(&object[commandOffset(headersAnswer("symbols.o"), 0) + 8], "__TEXT", 6);
    ASSERT_EQ(zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "object", at), ZZCRASH_ESUCCESS);
    std::uint8_t uuid[16];
    EXPECT_FALSE(zzcrash_async_macho_uuid(&image, uuid));
    EXPECT_THROW(headersAnswer("symbols.o").command("LC_UUID"), std::exception);
    EXPECT_STREQ(image.name, "object");
    zzcrash_async_macho_image_free(&image);
}

TEST(MachOImage, IsKeptByTheImageList) {
    FixtureImage dylib("libfixture.dylib", false);
    ASSERT_EQ(dylib.error(), ZZCRASH_ESUCCESS);
    zzcrash_async_image_list list{};
    zzcrash_async_image_list_init(&list, ZZCRASH_TASK_SELF, &zzcrash_async_macho_image_format);
    ASSERT_EQ(zzcrash_async_image_list_append(&list, dylib.loaded().header(), "libfixture.dylib"), ZZCRASH_ESUCCESS);
    zzcrash_async_image_list_mark_reading(&list, true);
    auto* found = reinterpret_cast<zzcrash_async_macho_image*>(
        zzcrash_async_image_containing_address(&list, dylib.loaded().header() + 0x700));
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->name, "libfixture.dylib");
    EXPECT_EQ(found->slide, dylib.slide());
    zzcrash_async_image_list_mark_reading(&list, false);
    zzcrash_async_image_list_free(&list);
}

}  // namespace
