#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FileQueueTestSupport.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovFileBackedQueue;

std::vector<std::uint64_t> idsOf(const zerazov::ZeraZovQueueBatch& batch) {
    std::vector<std::uint64_t> ids;
    for (const auto& record : batch.records) ids.push_back(idOfRecord(record).value_or(0));
    return ids;
}

class FileBackedQueueTest : public ::testing::Test {
protected:
    void SetUp() override { queue.setup({}); }

    void addRecords(std::uint64_t first, std::uint64_t last) {
        for (auto id = first; id <= last; ++id) ASSERT_TRUE(queue.add(recordFor(id)).stored);
    }

    platform::TemporaryDirectory directory;  // the queue's folder
    platform::TemporaryDirectory elsewhere;
    fs::path folder = directory.path();
    ZeraZovFileBackedQueue queue{folder};
};

TEST_F(FileBackedQueueTest, AddWritesOneFileNamedByAnUpperCaseIdPerRecord) {
    addRecords(1, 3);
    EXPECT_EQ(queue.depth(), 3u);
    const auto names = directory.entryNames();
    ASSERT_EQ(names.size(), 3u);
    for (const auto& name : names) {
        EXPECT_EQ(name.size(), 36u);
        EXPECT_EQ(name[14], '7') << name;  // the version digit
        EXPECT_EQ(name.find_first_of("abcdef"), std::string::npos) << name;
    }
    EXPECT_EQ(peekAll(queue).names, names);
}

TEST_F(FileBackedQueueTest, AQueueRebuiltOnTheFolderReturnsTheSameRecordsOldestFirst) {
    // Written in one burst, most of these share a birth time.
    addRecords(1, 300);
    const auto before = peekAll(queue);

    ZeraZovFileBackedQueue reopened(folder);
    reopened.setup({});
    const auto after = peekAll(reopened);

    EXPECT_EQ(after.names, before.names);
    std::vector<std::uint64_t> expected(300);
    for (std::uint64_t i = 0; i < 300; ++i) expected[i] = i + 1;
    EXPECT_EQ(idsOf(after), expected);
}

std::pair<std::int64_t, std::uint32_t> birthTime(const fs::path& file) {
    struct statx info {};
    if (::statx(AT_FDCWD, file.c_str(), 0, STATX_BTIME | STATX_MTIME, &info) != 0) return {0, 0};
    const auto& stamp = (info.stx_mask & STATX_BTIME) != 0 ? info.stx_btime : info.stx_mtime;
    return {stamp.tv_sec, stamp.tv_nsec};
}

TEST_F(FileBackedQueueTest, LoadsByCreationDateWhateverTheNames) {
    const zerazov::ZeraZovQueueFolder files(folder);
    ASSERT_FALSE(files.write("ZZZ", "first"));
    // Past the file system's clock tick, so the second file is born later.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_FALSE(files.write("AAA", "second"));
    if (birthTime(folder / "ZZZ") == birthTime(folder / "AAA")) GTEST_SKIP() << "file times too coarse here";

    ZeraZovFileBackedQueue reopened(folder);
    reopened.setup({});
    const auto batch = peekAll(reopened);
    EXPECT_EQ(batch.names, (std::vector<std::string>{"ZZZ", "AAA"}));
    EXPECT_EQ(batch.records, (std::vector<std::string>{"first", "second"}));
}

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// A record waiting for the sync holds no descriptor, so a sync that falls behind
// cannot run the process out of them; the sync finds every record by name and
// lets go of what it opened.
TEST_F(FileBackedQueueTest, RecordsWaitingForTheSyncHoldNoFileOpen) {
    const zerazov::ZeraZovQueueFolder files(folder);
    const auto before = openDescriptors();
    for (int i = 0; i < 1000; ++i) ASSERT_FALSE(files.write("R" + std::to_string(i), "record " + std::to_string(i)));
    EXPECT_LE(openDescriptors(), before + 1) << "only the folder's own descriptor";

    EXPECT_FALSE(files.sync());
    EXPECT_LE(openDescriptors(), before + 1) << "only the folder's own descriptor stays";
    for (const int i : {0, 127, 128, 999}) {
        EXPECT_EQ(files.read("R" + std::to_string(i)).valueOr(""), "record " + std::to_string(i));
    }
}

// A write whose rename fails (here a folder with something in it holds the name)
// leaves no file behind, whether it went into a spare or a temporary file.
TEST_F(FileBackedQueueTest, AWriteThatCannotBeNamedLeavesNoFileBehind) {
    for (const bool withSpare : {false, true}) {
        SCOPED_TRACE(withSpare ? "into a spare" : "into a temporary file");
        const platform::TemporaryDirectory scratch;
        const zerazov::ZeraZovQueueFolder files(scratch.path());
        if (withSpare) {
            ASSERT_FALSE(files.write("sent", "a sent record"));
            files.retire("sent");
        }
        fs::create_directory(scratch.path() / "taken");
        writeText(scratch.path() / "taken" / "inside", "kept");
        EXPECT_TRUE(files.write("taken", "record"));
        EXPECT_EQ(recordFileNames(scratch.path()), std::vector<std::string>{"taken"}) << "no temporary file";
        if (withSpare) {
            EXPECT_TRUE(fs::is_empty(scratch.path() / ".spare")) << "nor the spare it went into";
        }
    }
}

TEST_F(FileBackedQueueTest, PeekReadsUpToCountFromTheHeadAndRemovesNothing) {
    EXPECT_TRUE(queue.peek(5).records.empty());
    EXPECT_TRUE(queue.peek(5).names.empty());
    addRecords(1, 5);

    const auto head = queue.peek(3);
    EXPECT_EQ(idsOf(head), (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_EQ(head.names.size(), 3u);
    EXPECT_TRUE(queue.peek(0).records.empty());
    EXPECT_EQ(idsOf(queue.peek(50)), (std::vector<std::uint64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(queue.depth(), 5u);
}

TEST_F(FileBackedQueueTest, PeekAfterReadsBehindTheGivenHeadOnlyWhileTheQueueBeginsWithIt) {
    addRecords(1, 5);
    const auto head = queue.peek(2);
    const auto behind = queue.peekAfter(head.names, 2);
    ASSERT_TRUE(behind);
    EXPECT_EQ(idsOf(*behind), (std::vector<std::uint64_t>{3, 4}));
    EXPECT_TRUE(queue.holds(head.names, false));
    EXPECT_FALSE(queue.holds(head.names, true)) << "more than the head is queued";
    EXPECT_FALSE(queue.peekAfter(behind->names, 2)) << "not the head";

    queue.deleteNames(head.names);
    EXPECT_FALSE(queue.peekAfter(head.names, 2)) << "taken off";
    EXPECT_FALSE(queue.holds(head.names, false));
    const auto rest = peekAll(queue).names;
    EXPECT_TRUE(queue.holds(rest, true));
    EXPECT_EQ(queue.peekAfter(rest, 2)->names, std::vector<std::string>{});
}

TEST_F(FileBackedQueueTest, PeekPassesOverAVanishedFileWithoutCountingItButReportsItsName) {
    addRecords(1, 5);
    const auto names = peekAll(queue).names;
    fs::remove(folder / names[1]);

    const auto batch = queue.peek(3);
    EXPECT_EQ(idsOf(batch), (std::vector<std::uint64_t>{1, 3, 4}));
    EXPECT_EQ(batch.names, (std::vector<std::string>(names.begin(), names.begin() + 4)));
    EXPECT_EQ(queue.depth(), 5u);

    queue.deleteNames(batch.names);
    queue.finishRemovals();
    EXPECT_EQ(idsOf(peekAll(queue)), (std::vector<std::uint64_t>{5}));
    EXPECT_EQ(recordFileNames(folder), (std::vector<std::string>{names[4]}));
}

// A record file that is no file, or one grown past the bound of whole reads, is
// dropped unread; the names stay for the reader, which removes them with the batch.
TEST_F(FileBackedQueueTest, PeekDeletesAnUnreadableFileAndKeepsItsNameForTheReader) {
    struct Case {
        const char* what;
        void (*spoil)(const fs::path& record);
    };
    const Case cases[] = {
        {"a folder",
         [](const fs::path& record) {
             fs::remove(record);
             fs::create_directory(record);
         }},
        {"past the read limit",
         [](const fs::path& record) { fs::resize_file(record, platform::DurableFile::readLimit + 1); }},
    };
    std::uint64_t first = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        addRecords(first, first + 2);
        const auto names = peekAll(queue).names;
        c.spoil(folder / names[0]);

        const auto batch = queue.peek(2);
        EXPECT_EQ(idsOf(batch), (std::vector<std::uint64_t>{first + 1, first + 2}));
        EXPECT_EQ(batch.names, names);
        EXPECT_FALSE(fs::exists(folder / names[0]));
        EXPECT_EQ(queue.depth(), 3u);
        queue.deleteNames(names);
        first += 3;
    }
}

TEST_F(FileBackedQueueTest, ARemovedRecordIsNeverReadAgainWhileItsFileIsBeingDeleted) {
    // Enough files that deleting them outlasts the reads below on any disk.
    addRecords(1, 400);
    const auto head = queue.peek(300);
    queue.deleteNames(head.names);
    EXPECT_EQ(queue.depth(), 100u);
    EXPECT_EQ(idsOf(queue.peek(1)), (std::vector<std::uint64_t>{301}));
    queue.setup({});  // a reload, as after dropping everything
    EXPECT_EQ(queue.depth(), 100u);
    EXPECT_EQ(idsOf(queue.peek(1)), (std::vector<std::uint64_t>{301}));
    EXPECT_EQ(recordFileNames(folder).size(), 100u);
}

TEST_F(FileBackedQueueTest, DeletingABatchAfterTheOldestWasDroppedKeepsRecordsNeverSent) {
    addRecords(1, 5);
    const auto batch = queue.peek(3);
    queue.deleteAt(0);  // the full queue made room while the batch was uploading
    queue.deleteNames(batch.names);
    queue.finishRemovals();
    EXPECT_EQ(idsOf(peekAll(queue)), (std::vector<std::uint64_t>{4, 5}));
    EXPECT_EQ(recordFileNames(folder).size(), 2u);
}

TEST_F(FileBackedQueueTest, DeletingABatchAfterDropEverythingKeepsRecordsAddedSince) {
    addRecords(1, 3);
    const auto batch = queue.peek(3);
    EXPECT_EQ(queue.deleteAll(), 3u);
    addRecords(4, 5);
    queue.deleteNames(batch.names);
    EXPECT_EQ(idsOf(peekAll(queue)), (std::vector<std::uint64_t>{4, 5}));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(FileBackedQueueTest, DeleteIgnoresNamesItDoesNotHold) {
    addRecords(1, 2);
    const auto outside = elsewhere.path() / "outside";
    writeText(outside, "not a record");
    queue.deleteNames({"../" + elsewhere.path().filename().string() + "/outside", "nonexistent", ""});
    queue.deleteAt(2);
    queue.deleteAt(99);
    queue.finishRemovals();
    EXPECT_EQ(idsOf(peekAll(queue)), (std::vector<std::uint64_t>{1, 2}));
    EXPECT_EQ(recordFileNames(folder).size(), 2u);
    EXPECT_TRUE(fs::exists(outside));

    queue.deleteAt(1);
    queue.finishRemovals();
    EXPECT_EQ(idsOf(peekAll(queue)), (std::vector<std::uint64_t>{1}));
    EXPECT_EQ(recordFileNames(folder).size(), 1u);
}

TEST_F(FileBackedQueueTest, DropEverythingRacingAddsLosesNoRecordAddedAfterIt) {
    constexpr std::uint64_t kPerWriter = 150;
    std::atomic<int> writersLeft{2};
    std::atomic<std::uint64_t> failedAdds{0};
    auto writer = [&](std::uint64_t first) {
        for (auto id = first; id < first + kPerWriter; ++id) {
            if (!queue.add(recordFor(id)).stored) ++failedAdds;
        }
        --writersLeft;
    };
    std::thread one(writer, 1), two(writer, 1 + kPerWriter);
    std::size_t dropped = 0;
    while (writersLeft > 0) dropped += queue.deleteAll();
    one.join();
    two.join();

    EXPECT_EQ(failedAdds, 0u);
    queue.finishRemovals();
    const auto remaining = peekAll(queue);
    EXPECT_EQ(dropped + queue.depth(), 2 * kPerWriter);
    EXPECT_EQ(remaining.records.size(), queue.depth());
    auto sortedNames = remaining.names;
    std::sort(sortedNames.begin(), sortedNames.end());
    EXPECT_EQ(recordFileNames(folder), sortedNames);  // no stray file, no name without its file
}

// Records are made through a descriptor of the folder kept open between adds; a
// folder removed and made again under the queue must take the next records, not
// the removed one that the descriptor still names.
TEST_F(FileBackedQueueTest, AFolderMadeAgainUnderTheQueueTakesTheNextRecords) {
    addRecords(1, 1);
    fs::remove_all(folder);
    fs::create_directories(folder);
    addRecords(2, 3);
    EXPECT_EQ(recordFileNames(folder).size(), 2u);
    ZeraZovFileBackedQueue reopened(folder);
    reopened.setup({});
    EXPECT_EQ(idsOf(peekAll(reopened)), (std::vector<std::uint64_t>{2, 3}));
}

// A record that cannot be written (a full disk, a folder gone) is lost; the user
// hears of the first loss even with the client's diagnostics off.
TEST_F(FileBackedQueueTest, AddReportsARecordThatCouldNotBeWrittenAndLogsTheFirstLoss) {
    const auto own = folder / "queue";
    ZeraZovFileBackedQueue blocked(own);
    blocked.setup({});
    ASSERT_TRUE(blocked.add(recordFor(1)).stored);
    // Files where the folder was and where the one beside it would go.
    fs::remove_all(own);
    writeText(own, "a file where the folder was");
    writeText(own.string() + ".aside", "and one beside it");
    platform::LogCapture log;
    const tessivar::testing::DebugLogSwitch quiet(false);
    EXPECT_FALSE(blocked.add(recordFor(2)).stored);
    EXPECT_FALSE(blocked.add(recordFor(3)).stored);
    EXPECT_EQ(blocked.depth(), 1u);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    // The record's file by its path, then why.
    const std::string prefix = "[ZeraZov] Could not write file " + (own / "").string();
    ASSERT_EQ(lines[0].rfind(prefix, 0), 0u) << lines[0];
    const auto colon = lines[0].find(": ", prefix.size());
    ASSERT_NE(colon, std::string::npos) << lines[0];
    EXPECT_TRUE(zerazov::UUID::fromString(lines[0].substr(prefix.size(), colon - prefix.size()))) << lines[0];
    EXPECT_GT(lines[0].size(), colon + 2) << lines[0];
}

}  // namespace
}  // namespace zerazov_file_queue_tests
