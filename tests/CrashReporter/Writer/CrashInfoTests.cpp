// The message a library leaves in its "__crash_info" section, found in the
// Mach-O fixture (whose record says "fixture crash message", with "fixture
// second message" as its second text) loaded at its own address, so that
// the record's pointers hold.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Writer/Private/zzcrash_crash_info.h"
#include "tests/CrashReporter/MachO/FixtureAnswers.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/Writer/LogReading.h"
#include "tests/CrashReporter/Writer/WriterHarness.h"

namespace {

using tessivar::testing::macho::CommandAnswer;
using tessivar::testing::macho::FixtureImage;
using tessivar::testing::macho::headersAnswer;
using tessivar::testing::macho::HeadersAnswer;
using tessivar::testing::macho::readFixture;

// Where the fixture's crash-info record and its section header are in the file.
struct CrashInfoPlace {
    std::size_t record;
    std::size_t sectionHeader;
};

CrashInfoPlace crashInfoPlace() {
    const HeadersAnswer answer = headersAnswer("fixture");
    std::size_t at = 32;
    for (const CommandAnswer& command : answer.commands) {
        for (std::size_t i = 0; i < command.sections.size(); ++i) {
            if (command.sections[i].at("sectname") == "__crash_info")
                return {std::stoul(command.sections[i].at("offset")), at + 72 + i * 80};
        }
        at += command.size;
    }
    ADD_FAILURE() << "the fixture has no __crash_info section";
    return {0, 0};
}

template <class Value>
void put(std::vector<std::uint8_t>& bytes, std::size_t at, Value value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

std::string repeated(const std::string& text, std::size_t times) {
    std::string all;
    while (times-- > 0) all += text;
    return all;
}

// 1022 ASCII bytes, then a three-byte "€" that the 1024-byte cut would split.
const std::string longMessage = std::string(1022, 'a') + repeated("\xE2\x82\xAC", 10);

struct Search {
    bool found;
    std::string message;
};

Search search(const std::vector<std::uint8_t>& bytes) {
    FixtureImage fixture(bytes, "fixture", true);
    EXPECT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1];
    std::memset(message, 'x', sizeof message);
    const bool found = zzcrash_crash_info_search(fixture.image(), message);
    return {found, found ? std::string(message) : ""};
}

TEST(CrashInfo, FindsTheMessageARecordPointsTo) {
    const CrashInfoPlace place = crashInfoPlace();
    struct Case {
        const char* what;
        void (*change)(std::vector<std::uint8_t>&, const CrashInfoPlace&);
        Search expected;
    };
    const Case cases[] = {
        {"the record as built", [](auto&, const auto&) {}, {true, "fixture crash message"}},
        {"version 4",
         [](auto& b, const auto& p) { put<std::uint32_t>(b, p.record, 4); },
         {true, "fixture crash message"}},
        {"no first text",
         [](auto& b, const auto& p) { put<std::uint64_t>(b, p.record + 8, 0); },
         {true, "fixture second message"}},
        {"a first text that cannot be read",
         [](auto& b, const auto& p) { put<std::uint64_t>(b, p.record + 8, 8); },
         {true, "fixture second message"}},
        {"no text at all",
         [](auto& b, const auto& p) {
             put<std::uint64_t>(b, p.record + 8, 0);
             put<std::uint64_t>(b, p.record + 32, 0);
         },
         {false, ""}},
        {"an empty text",
         [](auto& b, const auto& p) { put(b, p.record + 8, reinterpret_cast<std::uint64_t>("")); },
         {true, ""}},
        {"version 3", [](auto& b, const auto& p) { put<std::uint32_t>(b, p.record, 3); }, {false, ""}},
        {"a section of 39 bytes",
         [](auto& b, const auto& p) { put<std::uint64_t>(b, p.sectionHeader + 40, 39); },
         {false, ""}},
        {"a text longer than 1024 bytes",
         [](auto& b, const auto& p) { put(b, p.record + 8, reinterpret_cast<std::uint64_t>(longMessage.c_str())); },
         {true, longMessage.substr(0, 1022)}},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = readFixture("fixture");
        c.change(bytes, place);
        const Search found = search(bytes);
        EXPECT_EQ(found.found, c.expected.found) << c.what;
        EXPECT_EQ(found.message, c.expected.message) << c.what;
    }
}

// The cut at 1024 bytes never ends inside a sequence; a text that is not
// UTF-8 there is cut as it is.
TEST(CrashInfo, ACutKeepsWholeUTF8Sequences) {
    struct Case {
        std::string text;
        std::size_t kept;
    };
    const Case cases[] = {
        {"abc", 3},
        {"ab\xC3\xA9", 4},         // é whole
        {"ab\xC3", 2},             // é cut after its first byte
        {"a\xE2\x82\xAC", 4},      // € whole
        {"a\xE2\x82", 1},          // € cut after two bytes
        {"a\xF0\x9F\x98\x80", 5},  // 😀 whole
        {"a\xF0\x9F\x98", 1},      // 😀 cut after three bytes
        {"a\x80\x80\x80\x80", 5},  // continuation bytes without a lead: not UTF-8
        {"", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(zzcrash_crash_info_whole_sequences(c.text.data(), c.text.size()), c.kept) << c.text;
}

// A crash log of a process with Mach-O images: each is listed with its
// header's CPU type and its UUID, and the crash message of the image holding
// the faulting address goes into the signal section.
TEST(CrashInfo, TheWriterPutsTheMessageOfTheFaultingImageInTheLog) {
    const auto bytes = readFixture("fixture");
    tessivar::testing::macho::LoadedFixture loaded(bytes, headersAnswer("fixture"), true);
    ASSERT_TRUE(loaded.loaded());
    zzcrash_async_image_list images;
    zzcrash_async_image_list_init(&images, ZZCRASH_TASK_SELF, &zzcrash_async_macho_image_format);
    ASSERT_EQ(zzcrash_async_image_list_append(&images, loaded.header(), "/fixtures/fixture"), ZZCRASH_ESUCCESS);
    tessivar::testing::WriterHarness harness;
    const zzcrash_log_bsd_signal_info bsd{SIGSEGV, SEGV_ACCERR, static_cast<std::uintptr_t>(loaded.header() + 0x10)};
    const zzcrash_log_signal_info signal{&bsd, nullptr};
    zzcrash_async_file file;
    const int fd = memfd_create("crash-log", MFD_CLOEXEC);
    zzcrash_async_file_init(&file, fd, 0);
    EXPECT_EQ(zzcrash_log_writer_write(harness.writer(), zzcrash_thread_self(), &images, &file, &signal, nullptr),
              ZZCRASH_ESUCCESS);
    ASSERT_TRUE(zzcrash_async_file_flush(&file));
    std::vector<std::uint8_t> log(static_cast<std::size_t>(lseek(fd, 0, SEEK_END)));
    ASSERT_EQ(pread(fd, log.data(), log.size(), 0), static_cast<ssize_t>(log.size()));
    close(fd);
    zzcrash_async_image_list_free(&images);

    const auto report = tessivar::testing::decodedLog(log);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->signalInfo().crashInfoMessage(), "fixture crash message");
    ASSERT_EQ(report->images().size(), 1u);
    const auto& image = report->images()[0];
    EXPECT_EQ(image.imageName(), "/fixtures/fixture");
    EXPECT_EQ(image.imageBaseAddress(), loaded.header());
    ASSERT_TRUE(image.codeType());
    EXPECT_EQ(image.codeType()->type(), 0x1000007u);
    EXPECT_TRUE(image.hasImageUUID());
}

}  // namespace
