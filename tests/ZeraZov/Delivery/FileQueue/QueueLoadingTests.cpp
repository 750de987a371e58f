#include <gtest/gtest.h>

#include "FileQueueTestSupport.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using zerazov::ZeraZovFileBackedQueue;

TEST(QueueLoadingTest, TornEmptyAndHalfWrittenFilesDoNotStopTheLoader) {
    platform::TemporaryDirectory directory;
    const auto& folder = directory.path();
    const zerazov::ZeraZovQueueFolder files(folder);
    ASSERT_FALSE(files.write("1-whole", recordFor(1)));
    writeText(folder / "2-torn", recordFor(2).substr(0, 40));
    writeText(folder / "3-empty", "");
    writeText(folder / "4-interrupted.tmp-Xy12Zq", recordFor(4).substr(0, 10));
    makeOld(folder / "4-interrupted.tmp-Xy12Zq");
    // Another queue on the folder may be filling a young one: it stays.
    writeText(folder / "6-being-filled.tmp-write", recordFor(6).substr(0, 10));
    ASSERT_FALSE(files.write("5-whole", recordFor(5)));

    ZeraZovFileBackedQueue queue(folder);
    queue.setup({});

    EXPECT_EQ(queue.depth(), 4u);
    EXPECT_FALSE(fs::exists(folder / "4-interrupted.tmp-Xy12Zq"));
    EXPECT_TRUE(fs::exists(folder / "6-being-filled.tmp-write"));
    const auto batch = peekAll(queue);
    ASSERT_EQ(batch.records.size(), 4u);
    // The torn bytes reach the reader as they are; its decoder drops them.
    std::vector<std::uint64_t> whole;
    for (const auto& record : batch.records) {
        if (auto id = idOfRecord(record)) whole.push_back(*id);
    }
    std::sort(whole.begin(), whole.end());
    EXPECT_EQ(whole, (std::vector<std::uint64_t>{1, 5}));
}

TEST(QueueLoadingTest, AFolderThatCannotBeMadeLeavesAnEmptyQueueAndSaysWhy) {
    platform::TemporaryDirectory directory;
    const auto folder = directory.path() / "queue";
    writeText(folder, "a file in the way");
    writeText(directory.path() / "queue.aside", "and one beside it");
    std::optional<tessivar::testing::DebugLogSwitch> debug{std::in_place};
    platform::LogCapture log;

    ZeraZovFileBackedQueue queue(folder);
    queue.setup({});
    const bool added = queue.add(recordFor(1)).stored;
    debug.reset();

    EXPECT_FALSE(added);
    EXPECT_EQ(queue.depth(), 0u);
    const auto lines = log.lines();
    const auto logged = [&](const std::string& start) {
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.starts_with("[ZeraZov] " + start); });
    };
    EXPECT_TRUE(logged("Error trying to create caching folder "));
    EXPECT_TRUE(logged("Failed to load files for queue "));
    EXPECT_TRUE(logged("Could not write file "));
}

}  // namespace
}  // namespace zerazov_file_queue_tests
