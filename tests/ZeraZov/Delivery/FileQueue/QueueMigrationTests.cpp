#include <gtest/gtest.h>

#include <chrono>
#include <nlohmann/json.hpp>

#include "FileQueueTestSupport.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace zerazov_file_queue_tests {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class QueueMigrationTest : public ::testing::Test {
protected:
    platform::TemporaryDirectory directory;  // the queue's folder
    platform::TemporaryDirectory elsewhere;
    fs::path folder = directory.path();
    fs::path oldFolder = elsewhere.path() / "zerazov.queueFolder";
    fs::path legacyFile = elsewhere.path() / "zerazov.queue.plist";
    zerazov::ZeraZovFileBackedQueue queue{folder};

    // The migrated events by file name.
    std::map<std::string, json> migrated() { return migratedInto(queue); }
    static std::map<std::string, json> migratedInto(zerazov::ZeraZovFileBackedQueue& into) {
        std::map<std::string, json> events;
        const auto batch = peekAll(into);
        for (std::size_t i = 0; i < batch.records.size(); ++i) {
            events[batch.names[i]] = json::parse(batch.records[i]);
        }
        return events;
    }
};

TEST_F(QueueMigrationTest, MovesAnOldFolderOfRecordFilesAndSkipsLocationsThatDoNotExist) {
    fs::create_directories(oldFolder);
    writeText(oldFolder / "A", recordFor(1));
    writeText(oldFolder / "B", recordFor(2));

    queue.setup({elsewhere.path() / "nothing-here", oldFolder});

    EXPECT_FALSE(fs::exists(oldFolder));
    EXPECT_EQ(directory.entryNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(queue.depth(), 2u);
}

TEST_F(QueueMigrationTest, LegacyEventsOfOneTimestampAreAllKept) {
    writeText(legacyFile, json::array({
                                          {{"event", "a"}, {"timestamp", "2024-05-01T12:00:00.123Z"}},
                                          {{"event", "b"}, {"timestamp", "2024-05-01T12:00:00.123Z"}},
                                          7,
                                          {{"event", "c"}, {"timestamp", "2024-05-01T12:00:00Z"}},
                                          {{"event", "d"}, {"timestamp", "2024-05-01T12:00:00.123Z"}},
                                      })
                              .dump());

    queue.setup({legacyFile});

    EXPECT_FALSE(fs::exists(legacyFile));
    const auto events = migrated();
    const std::map<std::string, json> expected{
        {"1714564800.123", {{"event", "a"}, {"timestamp", "2024-05-01T12:00:00.123Z"}}},
        {"1714564800.123-1", {{"event", "b"}, {"timestamp", "2024-05-01T12:00:00.123Z"}}},
        {"1714564800.123-2", {{"event", "d"}, {"timestamp", "2024-05-01T12:00:00.123Z"}}},
        {"1714564800.0", {{"event", "c"}, {"timestamp", "2024-05-01T12:00:00Z"}}},
    };
    EXPECT_EQ(events, expected);
}

TEST_F(QueueMigrationTest, RoundSecondsAreNamedInPlainNotation) {
    const json events = json::array({
        {{"event", "a"}, {"timestamp", "2023-11-14T22:13:20.000Z"}},  // 1700000000
        {{"event", "b"}, {"timestamp", "2024-03-09T16:00:00Z"}},      // 1710000000
    });
    writeText(legacyFile, events.dump());
    queue.setup({legacyFile});

    const std::map<std::string, json> expected{{"1700000000.0", events[0]}, {"1710000000.0", events[1]}};
    EXPECT_EQ(migrated(), expected);
}

TEST_F(QueueMigrationTest, AMigrationRunAgainRewritesItsFilesInsteadOfQueueingTwice) {
    // A run killed after writing the first events, before the legacy file went.
    const json events = json::array({
        {{"event", "a"}, {"timestamp", "2024-05-01T12:00:00.123Z"}},
        {{"event", "b"}, {"timestamp", "2024-05-01T12:00:00.123Z"}},
        {{"event", "c"}, {"timestamp", "2024-05-01T12:00:01Z"}},
    });
    writeText(legacyFile, json::array({events[0], events[1]}).dump());
    queue.setup({legacyFile});
    writeText(legacyFile, events.dump());

    zerazov::ZeraZovFileBackedQueue restarted{folder};
    restarted.setup({legacyFile});

    EXPECT_FALSE(fs::exists(legacyFile));
    const std::map<std::string, json> expected{
        {"1714564800.123", events[0]}, {"1714564800.123-1", events[1]}, {"1714564801.0", events[2]}};
    EXPECT_EQ(migratedInto(restarted), expected);
}

TEST_F(QueueMigrationTest, ALegacyEventWithoutATimestampIsNamedByTheTimeOfMigration) {
    writeText(legacyFile, json::array({{{"event", "a"}, {"timestamp", 5}}}).dump());
    const auto secondsNow = [] {
        return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
    };
    const double before = secondsNow();
    queue.setup({legacyFile});
    const double after = secondsNow();

    const auto events = migrated();
    ASSERT_EQ(events.size(), 1u);
    const auto& name = events.begin()->first;
    EXPECT_NE(name.find('.'), std::string::npos) << name;
    const double stamp = std::stod(name);
    EXPECT_GE(stamp, before - 0.001);  // the name keeps milliseconds only
    EXPECT_LE(stamp, after);
    EXPECT_EQ(events.begin()->second, (json{{"event", "a"}, {"timestamp", 5}}));
}

TEST_F(QueueMigrationTest, ALegacyFileThatIsNotAnArrayOfEventsIsDeletedWithoutMigrating) {
    for (const std::string text : {R"({"event":"a","timestamp":"2024-05-01T12:00:00Z"})", "[{\"event\":", ""}) {
        writeText(legacyFile, text);
        zerazov::ZeraZovFileBackedQueue fresh(folder);
        fresh.setup({legacyFile});
        EXPECT_FALSE(fs::exists(legacyFile)) << text;
        EXPECT_EQ(fresh.depth(), 0u) << text;
    }
}

}  // namespace
}  // namespace zerazov_file_queue_tests
