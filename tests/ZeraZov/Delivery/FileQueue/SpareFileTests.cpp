#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <set>
#include <thread>

#include "FileQueueTestSupport.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovSpareFiles.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovFileBackedQueue;

ino_t inodeOf(const fs::path& file) {
    struct stat info {};
    return ::lstat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

std::set<ino_t> inodesIn(const fs::path& folder, const std::vector<std::string>& names) {
    std::set<ino_t> inodes;
    for (const auto& name : names) inodes.insert(inodeOf(folder / name));
    return inodes;
}

class SpareFileTest : public ::testing::Test {
protected:
    void SetUp() override { queue.setup({}); }

    platform::TemporaryDirectory directory;
    fs::path folder = directory.path();
    fs::path spares = folder / zerazov::ZeraZovQueueFolder::spareFolderName;
    ZeraZovFileBackedQueue queue{folder};
};

// The files of removed records are kept empty, new records are written into
// them, and those load in the order they were added, although each file was
// born with the record it first held (the last removed is filled first).
TEST_F(SpareFileTest, RemovedRecordsLeaveEmptyFilesThatLaterAddsFillAndReloadInAddOrder) {
    for (std::uint64_t id = 1; id <= 3; ++id) {
        ASSERT_TRUE(queue.add(recordFor(id)).stored);
        // Past the file system's clock tick, so the three are born apart.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    queue.deleteNames(peekAll(queue).names);
    queue.finishRemovals();
    const auto spareNames = recordFileNames(spares);
    ASSERT_EQ(spareNames.size(), 3u);
    for (const auto& name : spareNames) EXPECT_EQ(fs::file_size(spares / name), 0u) << "no removed bytes stay";
    const auto spareInodes = inodesIn(spares, spareNames);

    for (std::uint64_t id = 4; id <= 6; ++id) ASSERT_TRUE(queue.add(recordFor(id)).stored);

    EXPECT_TRUE(recordFileNames(spares).empty());
    EXPECT_EQ(inodesIn(folder, recordFileNames(folder)), spareInodes);
    EXPECT_EQ(reloadedIds(folder), (std::vector<std::uint64_t>{4, 5, 6}));
}

// What a run left in the spare folder: empty files are filled by the next run's
// adds; a file with bytes in it (a write killed halfway) is neither a record nor
// filled, but deleted.
TEST_F(SpareFileTest, SparesLeftByAnEarlierRunAreFilledAndAHalfWrittenOneIsDeleted) {
    ASSERT_TRUE(queue.add(recordFor(1)).stored);
    fs::create_directory(spares);
    writeText(spares / "empty", "");
    writeText(spares / "half", recordFor(2).substr(0, 30));
    const auto emptyInode = inodeOf(spares / "empty");

    ZeraZovFileBackedQueue reopened(folder);
    reopened.setup({});
    EXPECT_EQ(reopened.depth(), 1u);
    EXPECT_EQ(recordFileNames(spares), std::vector<std::string>{"empty"});
    ASSERT_TRUE(reopened.add(recordFor(3)).stored);

    const auto batch = peekAll(reopened);
    ASSERT_EQ(batch.names.size(), 2u);
    EXPECT_EQ(inodeOf(folder / batch.names[1]), emptyInode);
    EXPECT_EQ(reloadedIds(folder), (std::vector<std::uint64_t>{1, 3}));
}

// More records uploaded than the pool keeps: the rest of their files are
// deleted, not kept.
TEST_F(SpareFileTest, RetiringMoreRecordsThanThePoolKeepsDeletesTheRest) {
    constexpr std::size_t beyond = 5;
    for (std::size_t id = 0; id < zerazov::ZeraZovSpareFiles::mostKept + beyond; ++id) {
        ASSERT_TRUE(queue.add(recordFor(id)).stored);
    }
    queue.deleteNames(peekAll(queue).names);
    queue.finishRemovals();
    EXPECT_EQ(recordFileNames(spares).size(), zerazov::ZeraZovSpareFiles::mostKept);
    EXPECT_TRUE(recordFileNames(folder).empty());
}

// A name retired again while its first spare still waits is not kept twice:
// two adds taking the same name would write into one file.
TEST_F(SpareFileTest, ANameRetiredAgainIsNotKeptTwice) {
    platform::TemporaryDirectory elsewhere;
    const auto opened = std::make_shared<const platform::UniqueFd>(
        ::open(elsewhere.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    zerazov::ZeraZovSpareFiles pool(elsewhere.path());
    const auto retired = elsewhere.path() / "1714564800.123";
    writeText(retired, "first");
    ASSERT_TRUE(pool.keep(opened, "1714564800.123"));
    writeText(retired, "second");
    EXPECT_FALSE(pool.keep(opened, "1714564800.123"));

    const auto claimed = pool.claim(opened, "claimed");
    ASSERT_TRUE(claimed);
    EXPECT_FALSE(pool.claim(opened, "again"));
    EXPECT_EQ(fs::file_size(elsewhere.path() / ".spare" / zerazov::ZeraZovSpareFiles::claimedName("claimed")), 0u);
}

}  // namespace
}  // namespace zerazov_file_queue_tests
