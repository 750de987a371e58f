#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FakeUpload.h"
#include "Platform/Network/ReachabilityBackend.h"
#include "Platform/Testing/FakeReachabilityBackend.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualClock.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using namespace std::chrono_literals;
using testing::FakeUpload;
using testing::Note;
using Batches = std::vector<std::vector<std::string>>;

constexpr std::uint32_t kReachable = platform::ReachabilityFlags::reachable;

// A queue of notes over a real folder, a manual main queue and clock, and a fake
// upload. Flush cycles run on the queue's own worker; waitForDispatchedFlushes()
// makes each one finish before the test looks.
class ZeraZovQueueTest : public ::testing::Test {
protected:
    ZeraZovQueueTest() {
        config->flushAt = 1000;
        config->maxBatchSize = 50;
        config->maxRetries = 3;
    }

    QueueEndpoint<Note> endpoint() {
        QueueEndpoint<Note> e;
        e.storageKey = ZeraZovStorage::StorageKey::queue;
        e.dispatchQueueLabel = "com.zerazov.Queue";
        e.initialCap = [](const ZeraZovConfig& c) { return c.maxBatchSize.load(); };
        e.initialFlushAt = [](const ZeraZovConfig& c) { return c.flushAt.load(); };
        e.maxQueueSize = [](const ZeraZovConfig& c) { return c.maxQueueSize.load(); };
        e.flushIntervalSeconds = [](const ZeraZovConfig& c) { return c.flushIntervalSeconds.load(); };
        e.rateCapMax = [](const ZeraZovConfig&) { return std::int64_t{0}; };
        e.rateCapWindowSeconds = [](const ZeraZovConfig&) { return 10.0; };
        e.encode = [](const Note& note) -> std::optional<std::string> {
            if (note.text == "unencodable") return std::nullopt;
            return note.text;
        };
        e.decode = [](const std::string& bytes) -> std::optional<Note> {
            if (bytes == "garbage") return std::nullopt;
            return Note{bytes};
        };
        e.describe = [](const Note& note) { return "note '" + note.text + "'"; };
        e.send = [upload = upload](std::vector<Note> notes, QueueEndpoint<Note>::UploadCompletion done) {
            upload->send(std::move(notes), std::move(done));
        };
        e.isRetriableStatusCode = [](int code) { return code == 503; };
        return e;
    }

    std::shared_ptr<ZeraZovQueue<Note>> makeQueue(std::shared_ptr<Reachability> monitor = nullptr) {
        return ZeraZovQueue<Note>::create(config, storage, std::move(monitor), endpoint(), mainQueue, clock);
    }

    // Adds without the threshold check, so only the test's flushes send.
    void addQuietly(ZeraZovQueue<Note>& queue, const std::vector<std::string>& texts) {
        for (const auto& text : texts) queue.add(Note{text}, {});
    }

    void flushNow(ZeraZovQueue<Note>& queue) {
        queue.flush();
        queue.waitForDispatchedFlushes();
    }

    bool logged(const std::string& line) const { return log.contains("[ZeraZov] " + line); }

    platform::TemporaryDirectory folder;
    ZeraZovStorage storage{folder.path(), "token"};
    std::shared_ptr<ZeraZovConfig> config = std::make_shared<ZeraZovConfig>("token");
    platform::ManualMainQueue mainQueue;
    platform::ManualClock clock{platform::Clock::WallTime{} + 1796797800s};
    std::shared_ptr<FakeUpload> upload = std::make_shared<FakeUpload>();
    platform::LogCapture log;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

// --- enqueueing ---------------------------------------------------------------

TEST_F(ZeraZovQueueTest, AFullQueueDropsItsOldestRecordFirst) {
    config->maxQueueSize = 3;
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b", "c", "d"});
    EXPECT_EQ(queue->depth(), 3u);
    EXPECT_TRUE(logged("Queue is full, dropping oldest record"));
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"b", "c", "d"}}));
}

TEST_F(ZeraZovQueueTest, AnUnencodableRecordIsNeitherStoredNorFlushed) {
    config->flushAt = 1;
    auto queue = makeQueue();
    queue->add(Note{"unencodable"});
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(queue->depth(), 0u);
    EXPECT_EQ(upload->batchCount(), 0u);
    EXPECT_TRUE(logged("Tried to queue unserialisable record"));
}

TEST_F(ZeraZovQueueTest, ARecordThatCannotBeStoredTakesNoRecordWithIt) {
    config->maxQueueSize = 2;
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b", "unencodable"});
    EXPECT_EQ(queue->depth(), 2u);
    EXPECT_FALSE(logged("Queue is full, dropping oldest record"));
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b"}}));
}

TEST_F(ZeraZovQueueTest, RacingAddersNeverTakeAFullQueuePastItsLimit) {
    constexpr std::size_t kLimit = 8;
    constexpr int kAdders = 4;
    constexpr int kAddsEach = 150;
    config->maxQueueSize = kLimit;
    const tessivar::testing::DebugLogSwitch quiet(false);
    auto queue = makeQueue();
    std::atomic<std::size_t> deepest{0};
    std::vector<std::thread> adders;
    for (int a = 0; a < kAdders; ++a) {
        adders.emplace_back([&, a] {
            for (int i = 0; i < kAddsEach; ++i) {
                queue->add(Note{std::to_string(a) + "-" + std::to_string(i)}, {});
                const auto depth = queue->depth();
                for (auto seen = deepest.load(); depth > seen && !deepest.compare_exchange_weak(seen, depth);) {}
            }
        });
    }
    for (auto& adder : adders) adder.join();
    EXPECT_LE(deepest.load(), kLimit);
    EXPECT_EQ(queue->depth(), kLimit);
    queue->finishRemovals();
    EXPECT_EQ(folder.entryNames().size(), 1u);  // the queue's own folder
    const std::filesystem::directory_iterator queueFolder(storage.url(ZeraZovStorage::StorageKey::queue));
    EXPECT_EQ(
        std::count_if(begin(queueFolder), end(queueFolder),
                      [](const auto& entry) { return entry.path().filename() != ZeraZovQueueFolder::spareFolderName; }),
        static_cast<std::ptrdiff_t>(kLimit));
}

// --- triggers -----------------------------------------------------------------

TEST_F(ZeraZovQueueTest, ReachingTheThresholdFlushes) {
    config->flushAt = 3;
    auto queue = makeQueue();
    queue->add(Note{"a"});
    queue->add(Note{"b"});
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batchCount(), 0u);
    queue->add(Note{"c"});
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b", "c"}}));
    EXPECT_EQ(queue->depth(), 0u);
}

TEST_F(ZeraZovQueueTest, TheTimerFlushesEveryInterval) {
    config->flushIntervalSeconds = 30;
    auto queue = makeQueue();
    queue->start(true, false);
    mainQueue.drain();
    addQuietly(*queue, {"a"});
    mainQueue.advance(29);
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batchCount(), 0u);
    mainQueue.advance(1);
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batches(), (Batches{{"a"}}));
}

TEST_F(ZeraZovQueueTest, AStoppedQueueStartsNoTimer) {
    auto queue = makeQueue();
    queue->start(true, false);
    queue->stop();
    addQuietly(*queue, {"a"});
    mainQueue.advance(300);
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batchCount(), 0u);
    EXPECT_EQ(mainQueue.pendingCount(), 0u);
}

TEST_F(ZeraZovQueueTest, AnUnreachableNetworkPausesUntilItIsReachableAgain) {
    config->flushAt = 2;
    auto backend = std::make_unique<platform::FakeReachabilityBackend>(kReachable);
    auto* fake = backend.get();
    auto creation = Reachability::create({std::move(backend), 0}, mainQueue);
    ASSERT_TRUE(creation.monitor);
    auto queue = makeQueue(creation.monitor);
    queue->start(false, true);
    mainQueue.drain();

    ASSERT_TRUE(fake->announce(0));
    mainQueue.drain();
    queue->add(Note{"a"});
    queue->add(Note{"b"});
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batchCount(), 0u);
    EXPECT_TRUE(logged("The queue is paused due to the reachability check"));

    ASSERT_TRUE(fake->announce(kReachable));
    mainQueue.drain();
    queue->waitForDispatchedFlushes();
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b"}}));
    queue->stop();
}

TEST_F(ZeraZovQueueTest, WifiOnlyModeStaysPausedWithoutAConnection) {
    config->dataMode = ZeraZovDataMode::wifi;
    auto backend = std::make_unique<platform::FakeReachabilityBackend>(0);
    auto creation = Reachability::create({std::move(backend), 0}, mainQueue);
    ASSERT_TRUE(creation.monitor);
    auto queue = makeQueue(creation.monitor);
    queue->start(false, true);
    mainQueue.drain();
    // The monitor reports the first read as a change; with no connection it is
    // an unreachable report, and the Wi-Fi rule must not lift that pause.
    creation.monitor->onReachable().invoke(*creation.monitor);
    EXPECT_EQ(queue->pauseDescription(), "paused due to the reachability check");
    queue->stop();
}

// --- flush cycle and upload outcomes ------------------------------------------

TEST_F(ZeraZovQueueTest, ARecordAddedDuringAnUploadSurvivesThatUploadsRemoval) {
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b"});
    upload->holdAnswers();
    flushNow(*queue);
    addQuietly(*queue, {"late"});
    ASSERT_TRUE(upload->release(200));
    EXPECT_EQ(queue->depth(), 1u);
    upload->answerWith(200);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b"}, {"late"}}));
}

TEST_F(ZeraZovQueueTest, AnUploadRemovesOnlyWhatItReadWhenTheHeadMovedMeanwhile) {
    config->maxQueueSize = 2;
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b"});
    upload->holdAnswers();
    flushNow(*queue);
    addQuietly(*queue, {"late"});  // the full queue drops "a" from under the upload
    ASSERT_TRUE(upload->release(200));
    upload->answerWith(200);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b"}, {"late"}}));
}

TEST_F(ZeraZovQueueTest, AFlushWhileAnUploadIsInFlightDoesNothing) {
    auto queue = makeQueue();
    addQuietly(*queue, {"a"});
    upload->holdAnswers();
    flushNow(*queue);
    flushNow(*queue);
    EXPECT_EQ(upload->batchCount(), 1u);
    EXPECT_TRUE(logged("Already flushing"));
    ASSERT_TRUE(upload->release(200));
    EXPECT_EQ(queue->depth(), 0u);
}

TEST_F(ZeraZovQueueTest, TheNextBatchIsReadWhileAnUploadIsUnderWay) {
    config->maxBatchSize = 2;
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b", "c", "d"});
    const auto queueFolder = storage.url(ZeraZovStorage::StorageKey::queue);
    std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(queueFolder), {});
    std::sort(files.begin(), files.end());
    std::filesystem::remove(files[2]);  // "c", behind the queue's back
    upload->holdAnswers();
    flushNow(*queue);
    EXPECT_TRUE(logged("File " + files[2].string() + " does not exist"));
    ASSERT_TRUE(upload->release(200));
    upload->answerWith(200);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"a", "b"}, {"d"}}));
    EXPECT_EQ(queue->depth(), 0u);
}

// A batch read ahead goes out as it was read, even when its files went meanwhile;
// one too large to hold until its flush is read again then.
TEST_F(ZeraZovQueueTest, OnlyABatchSmallEnoughToHoldIsKeptFromItsReadAhead) {
    const auto queueFolder = storage.url(ZeraZovStorage::StorageKey::queue);
    for (const std::size_t size : {std::size_t{16}, ZeraZovQueueBase::readAheadByteLimit / 2 + 1}) {
        SCOPED_TRACE(size);
        std::filesystem::remove_all(queueFolder);
        upload = std::make_shared<FakeUpload>();
        config->maxBatchSize = 2;
        auto queue = makeQueue();
        addQuietly(*queue, {"a", "b", std::string(size, 'c'), std::string(size, 'd')});
        upload->holdAnswers();
        flushNow(*queue);
        std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(queueFolder), {});
        std::sort(files.begin(), files.end());
        std::filesystem::remove(files[2]);  // "c", read ahead already
        ASSERT_TRUE(upload->release(200));
        upload->answerWith(200);
        flushNow(*queue);
        const auto batches = upload->batches();
        ASSERT_EQ(batches.size(), 2u);
        std::string firstLetters;
        for (const auto& text : batches[1]) firstLetters += text.front();
        EXPECT_EQ(firstLetters, size <= ZeraZovQueueBase::readAheadByteLimit / 2 ? "cd" : "d");
        queue->finishRemovals();
    }
}

// The batch behind an upload is read while the upload is under way; whatever
// the upload's outcome does to the head, the next flush sends what the head
// holds then.
TEST_F(ZeraZovQueueTest, TheBatchReadAheadGoesOutOnlyWhileItIsStillTheHead) {
    struct Case {
        const char* what;
        std::optional<int> answer;
        std::int64_t maxRetries;
        Batches sent;
    };
    const std::vector<Case> cases{
        {"taken", 200, 3, {{"0", "1", "2", "3"}, {"4", "5", "6", "7"}}},
        {"kept for a retry", 503, 3, {{"0", "1", "2", "3"}, {"0", "1", "2", "3"}}},
        {"kept and halved", 413, 3, {{"0", "1", "2", "3"}, {"0", "1"}}},
        {"kept when no retry is left", std::nullopt, 0, {{"0", "1", "2", "3"}, {"0", "1", "2", "3"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(storage.url(ZeraZovStorage::StorageKey::queue));
        upload = std::make_shared<FakeUpload>();
        config->maxBatchSize = 4;
        config->maxRetries = c.maxRetries;
        auto queue = makeQueue();
        addQuietly(*queue, {"0", "1", "2", "3", "4", "5", "6", "7"});
        upload->holdAnswers();
        flushNow(*queue);
        ASSERT_TRUE(upload->release(c.answer));
        addQuietly(*queue, {"late"});
        clock.advance(30s);  // past any pause
        upload->answerWith(200);
        flushNow(*queue);
        EXPECT_EQ(upload->batches(), c.sent);
        queue->finishRemovals();
    }
}

// An outage longer than the retries keeps every record: they wait at the longest
// back-off for the flushes after it, and all go out once the server answers.
TEST_F(ZeraZovQueueTest, FailuresPauseForGrowingSpansAndKeepTheQueueWhenRetriesRunOut) {
    upload->answerWith(503);
    auto queue = makeQueue();
    addQuietly(*queue, {"a", "b"});
    for (const int seconds : {5, 10, 15}) {
        flushNow(*queue);
        EXPECT_EQ(queue->depth(), 2u);
        clock.advance(std::chrono::seconds(seconds - 1));
        flushNow(*queue);  // still in back-off: nothing goes out
        clock.advance(1s);
    }
    EXPECT_EQ(upload->batchCount(), 3u);
    for (int flushAfterTheRetries = 0; flushAfterTheRetries < 3; ++flushAfterTheRetries) {
        flushNow(*queue);
        clock.advance(30s);
    }
    EXPECT_EQ(upload->batchCount(), 6u);
    EXPECT_EQ(queue->depth(), 2u);
    EXPECT_TRUE(logged("Pausing queue consumption for 15.0 seconds due to 3 API failure(s)."));
    EXPECT_TRUE(logged("Queue: max retries (3) exceeded, keeping 2 queued records for the next flush"));

    upload->answerWith(200);
    flushNow(*queue);
    EXPECT_EQ(upload->batchCount(), 7u);
    queue->finishRemovals();
    EXPECT_EQ(queue->depth(), 0u);
    EXPECT_EQ(queue->pauseDescription(), std::nullopt);
}

TEST_F(ZeraZovQueueTest, ASuccessEndsTheFailureCount) {
    upload->answerWith(std::nullopt);
    auto queue = makeQueue();
    addQuietly(*queue, {"a"});
    flushNow(*queue);
    clock.advance(5s);
    upload->answerWith(200);
    flushNow(*queue);
    addQuietly(*queue, {"b"});
    upload->answerWith(503);
    flushNow(*queue);
    EXPECT_TRUE(logged("Pausing queue consumption for 5.0 seconds due to 1 API failure(s)."));
    EXPECT_FALSE(logged("Pausing queue consumption for 10.0 seconds due to 2 API failure(s)."));
}

TEST_F(ZeraZovQueueTest, PayloadTooLargeHalvesTheBatch) {
    config->flushAt = 20;
    auto queue = makeQueue();
    for (int i = 0; i < 50; ++i) queue->add(Note{std::to_string(i)}, {});
    upload->answerWith(413);
    flushNow(*queue);
    EXPECT_EQ(queue->batchLimits(), (BatchLimits{25, 10}));
    EXPECT_EQ(queue->depth(), 50u);
    upload->answerWith(200);
    flushNow(*queue);
    ASSERT_EQ(upload->batchCount(), 2u);
    EXPECT_EQ(upload->batches()[1].size(), 25u);
    EXPECT_EQ(upload->batches()[1].front(), "0");
    EXPECT_EQ(queue->depth(), 25u);
}

// One record that the server refuses alone as too large goes, and the record
// behind it is sent by the next flush, with no pause between.
TEST_F(ZeraZovQueueTest, ARecordRefusedAloneAsTooLargeIsDroppedAndTheNextGoesOut) {
    config->maxBatchSize = 1;
    upload->answerWith(413);
    auto queue = makeQueue();
    addQuietly(*queue, {"huge", "next"});
    flushNow(*queue);
    queue->finishRemovals();
    EXPECT_EQ(queue->depth(), 1u);
    EXPECT_TRUE(logged("Queue: dropping batch after HTTP 413 (cap == 1)"));
    upload->answerWith(200);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"huge"}, {"next"}}));
    EXPECT_EQ(queue->depth(), 0u);
}

TEST_F(ZeraZovQueueTest, UnreadableRecordsAreLeftOutAndRemovedWithTheBatch) {
    auto queue = makeQueue();
    addQuietly(*queue, {"garbage", "a", "garbage"});
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (Batches{{"a"}}));
    EXPECT_EQ(queue->depth(), 0u);
    EXPECT_TRUE(logged("Dropping 2 stored record(s) that could not be read back"));
}

TEST_F(ZeraZovQueueTest, ACycleOfOnlyUnreadableRecordsSendsNothingAndRemovesThem) {
    auto queue = makeQueue();
    addQuietly(*queue, {"garbage", "garbage"});
    flushNow(*queue);
    EXPECT_EQ(upload->batchCount(), 0u);
    EXPECT_EQ(queue->depth(), 0u);
}

// --- persistence --------------------------------------------------------------

TEST_F(ZeraZovQueueTest, AQueueRebuiltOnTheSameFolderSendsTheSameRecordsOldestFirst) {
    addQuietly(*makeQueue(), {"first", "second", "third"});
    auto reopened = makeQueue();
    EXPECT_EQ(reopened->depth(), 3u);
    flushNow(*reopened);
    EXPECT_EQ(upload->batches(), (Batches{{"first", "second", "third"}}));
}

}  // namespace
}  // namespace zerazov
