#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "Platform/Foundation/DurableFile.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

// A write that leaves the sync for later is still atomic and still replaces; the
// one sync afterwards reports a path it cannot reach; a read says what failed.
TEST(DurableFileSync, LaterWritesAreWholeAndTheSyncAndReadsReportFailures) {
    TemporaryDirectory folder;
    const auto file = folder.path() / "record";
    ASSERT_EQ(DurableFile::writeAtomically(file, "first", DurableFile::Sync::later), std::nullopt);
    ASSERT_EQ(DurableFile::writeAtomically(file, "second", DurableFile::Sync::later), std::nullopt);
    EXPECT_EQ(folder.entryNames(), (std::vector<std::string>{"record"}));
    EXPECT_EQ(DurableFile::read(file).bytes, "second");
    ASSERT_EQ(DurableFile::writeNew(folder.path() / "fresh", "new", DurableFile::Sync::later), std::nullopt);
    EXPECT_EQ(DurableFile::read(folder.path() / "fresh").bytes, "new");
    // A name deleted before its sync is passed over; a folder that is not there fails.
    EXPECT_EQ(DurableFile::syncFiles(folder.path(), {"record", "fresh", "uploaded-and-deleted"}), std::nullopt);
    EXPECT_TRUE(DurableFile::syncFiles(folder.path() / "nothing-here", {"record"}).has_value());

    const auto missing = DurableFile::read(folder.path() / "nothing-here");
    EXPECT_FALSE(missing.bytes);
    EXPECT_TRUE(missing.missing);
    fs::create_directory(folder.path() / "a-folder");
    const auto notAFile = DurableFile::read(folder.path() / "a-folder");
    EXPECT_FALSE(notAFile.bytes);
    EXPECT_FALSE(notAFile.missing);
    EXPECT_TRUE(DurableFile::writeAtomically(folder.path() / "no-folder" / "record", "x", DurableFile::Sync::later));
}

}  // namespace
}  // namespace platform
