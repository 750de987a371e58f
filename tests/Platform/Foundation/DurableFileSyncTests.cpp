#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Foundation/DurableFile.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A write replaces the file whole and leaves no temporary behind; a read says
// what failed.
TEST(DurableFileSync, WritesReplaceWholeAndReadsReportFailures) {
    TemporaryDirectory folder;
    const auto file = folder.path() / "record";
    ASSERT_EQ(DurableFile::writeAtomically(file, "first"), std::nullopt);
    ASSERT_EQ(DurableFile::writeAtomically(file, "second"), std::nullopt);
    EXPECT_EQ(folder.entryNames(), (std::vector<std::string>{"record"}));
    EXPECT_EQ(DurableFile::read(file).valueOr(""), "second");
    ASSERT_EQ(DurableFile::writeNew(folder.path() / "fresh", "new"), std::nullopt);
    EXPECT_EQ(DurableFile::read(folder.path() / "fresh").valueOr(""), "new");

    const auto missing = DurableFile::read(folder.path() / "nothing-here");
    EXPECT_FALSE(missing);
    EXPECT_TRUE(DurableFile::missing(missing));
    fs::create_directory(folder.path() / "a-folder");
    const auto notAFile = DurableFile::read(folder.path() / "a-folder");
    EXPECT_FALSE(notAFile);
    EXPECT_FALSE(DurableFile::missing(notAFile));
    EXPECT_TRUE(DurableFile::writeAtomically(folder.path() / "no-folder" / "record", "x"));
    // A rename that fails takes its temporary file with it.
    EXPECT_TRUE(DurableFile::writeAtomically(folder.path() / "a-folder", "x"));
    EXPECT_EQ(folder.entryNames(), (std::vector<std::string>{"a-folder", "fresh", "record"}));
}

// A whole-file read stops at its bound: a file's own size tells before anything
// is read, and for the kernel's files, which give no size, the bytes read do.
TEST(DurableFileSync, AReadTakesAFileUpToItsLimitAndRefusesOneByteMore) {
    TemporaryDirectory folder;
    const auto file = folder.path() / "value";
    ASSERT_EQ(DurableFile::writeAtomically(file, "0123456789"), std::nullopt);
    struct Case {
        fs::path path;
        std::size_t limit;
        bool read;
    };
    const std::vector<Case> cases = {
        {file, 10, true},
        {file, 9, false},
        {"/proc/self/status", 1 << 20, true},
        {"/proc/self/status", 16, false},
    };
    for (const auto& c : cases) {
        const auto result = DurableFile::read(c.path, c.limit);
        EXPECT_EQ(static_cast<bool>(result), c.read) << c.path << " up to " << c.limit;
        EXPECT_EQ(*result.failure(), c.read ? "" : "larger than " + std::to_string(c.limit) + " bytes");
    }
    fs::resize_file(file, DurableFile::readLimit + 1);
    EXPECT_EQ(*DurableFile::read(file).failure(), "larger than 16777216 bytes");
}

}  // namespace
}  // namespace platform
