#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Integrations/Replay/ZeraZovReplayBufferQueue.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using Texts = std::vector<std::string>;

std::size_t filesIn(const std::filesystem::path& folder) {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
    return count;
}

class ZeraZovReplayBufferQueueTest : public ::testing::Test {
protected:
    platform::TemporaryDirectory directory;
    std::filesystem::path folder = directory.path() / "app" / "zerazov.replayBufferFolder";
    platform::LogCapture log;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

// --- reset --------------------------------------------------------------------

TEST_F(ZeraZovReplayBufferQueueTest, ResetCreatesTheFolderWithItsParents) {
    ZeraZovReplayBufferQueue queue(folder);
    queue.resetBufferFolder();
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(queue.depth(), 0u);
}

TEST_F(ZeraZovReplayBufferQueueTest, ResetDiscardsFilesAndItems) {
    ZeraZovReplayBufferQueue queue(folder);
    queue.resetBufferFolder();
    queue.add("a");
    queue.add("b");
    queue.resetBufferFolder();
    EXPECT_TRUE(queue.items().empty());
    EXPECT_EQ(filesIn(folder), 0u);
}

TEST_F(ZeraZovReplayBufferQueueTest, ResetLogsWhenTheFolderCannotBeMade) {
    std::filesystem::create_directories(directory.path() / "app");
    { std::ofstream blocker(directory.path() / "app" / "file"); }
    ZeraZovReplayBufferQueue queue(directory.path() / "app" / "file" / "buffer");
    queue.resetBufferFolder();
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[ZeraZov] Error trying to create replay buffer folder ", 0), 0u);
}

// --- add ----------------------------------------------------------------------

TEST_F(ZeraZovReplayBufferQueueTest, EachAddWritesOneFileNamedByItsItem) {
    ZeraZovReplayBufferQueue queue(folder);
    queue.resetBufferFolder();
    queue.add("{\"event\":\"a\"}");
    queue.add("{\"event\":\"b\"}");
    const auto items = queue.items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(filesIn(folder), 2u);
    EXPECT_LT(items[0], items[1]);
    EXPECT_TRUE(std::filesystem::exists(folder / items[1]));
}

TEST_F(ZeraZovReplayBufferQueueTest, AFailedWriteLeavesTheItemsUnchanged) {
    ZeraZovReplayBufferQueue queue(folder);
    std::filesystem::create_directories(folder.parent_path());
    // Files where the folder would be made and where the one kept beside it would.
    { std::ofstream blocker(folder); }
    { std::ofstream blocker(folder.string() + ".aside"); }
    queue.add("a");
    EXPECT_EQ(queue.depth(), 0u);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("[ZeraZov] Could not write replay buffer file ", 0), 0u);
}

// --- take and restart ---------------------------------------------------------

TEST_F(ZeraZovReplayBufferQueueTest, TakeAllAnswersOldestFirstAndEmptiesTheFolder) {
    ZeraZovReplayBufferQueue queue(folder);
    queue.resetBufferFolder();
    for (const auto* text : {"one", "two", "three"}) queue.add(text);
    EXPECT_EQ(queue.takeAll(), (Texts{"one", "two", "three"}));
    EXPECT_EQ(queue.depth(), 0u);
    EXPECT_EQ(filesIn(folder), 0u);
    EXPECT_TRUE(queue.takeAll().empty());
}

TEST_F(ZeraZovReplayBufferQueueTest, BufferedRecordsSurviveARestartInOrder) {
    {
        ZeraZovReplayBufferQueue first(folder);
        first.resetBufferFolder();
        for (const auto* text : {"one", "two", "three"}) first.add(text);
    }
    ZeraZovReplayBufferQueue second(folder);
    EXPECT_EQ(second.depth(), 3u);
    EXPECT_EQ(second.takeAll(), (Texts{"one", "two", "three"}));
}

}  // namespace
}  // namespace zerazov
