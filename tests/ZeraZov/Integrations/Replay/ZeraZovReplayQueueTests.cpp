#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualClock.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Integrations/Replay/ZeraZovReplayQueue.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

// Writes down the event names of every uploaded batch and answers 200.
class RecordingUpload {
public:
    void send(const std::vector<ZeraZovEvent>& events, const QueueEndpoint<ZeraZovEvent>::UploadCompletion& done) {
        {
            std::lock_guard guard(lock_);
            Names names;
            for (const auto& event : events) names.push_back(event.event);
            batches_.push_back(std::move(names));
        }
        ZeraZovUploadInfo info;
        info.statusCode = 200;
        done(info);
    }

    std::vector<Names> batches() const {
        std::lock_guard guard(lock_);
        return batches_;
    }

private:
    mutable std::mutex lock_;  // guards batches_
    std::vector<Names> batches_;
};

class ScriptedDelegate : public ZeraZovReplayBufferDelegate {
public:
    bool buffering = true;
    int notifications = 0;

    bool shouldBufferReplayEvents() override { return buffering; }
    void replayQueueDidBufferEvent(ZeraZovReplayQueue&) override { ++notifications; }
};

// A replay queue whose inner queue uploads to the recording fake; flushes run on
// the inner queue's worker and waitForDispatchedFlushes() lets each one finish.
class ZeraZovReplayQueueTest : public ::testing::Test {
protected:
    ZeraZovReplayQueueTest() { config->flushAt = 1000; }

    QueueEndpoint<ZeraZovEvent> endpoint() {
        auto e = QueueEndpoints::snapshots(nullptr);
        e.send = [upload = upload](std::vector<ZeraZovEvent> events,
                                   QueueEndpoint<ZeraZovEvent>::UploadCompletion done) { upload->send(events, done); };
        return e;
    }

    std::unique_ptr<ZeraZovReplayQueue> makeQueue() {
        auto inner = ZeraZovQueue<ZeraZovEvent>::create(config, storage, nullptr, endpoint(), mainQueue, clock);
        auto queue = std::make_unique<ZeraZovReplayQueue>(std::move(inner),
                                                          storage.url(ZeraZovStorage::StorageKey::replayBufferQueue));
        queue->bufferQueue().resetBufferFolder();
        return queue;
    }

    static ZeraZovEvent event(const std::string& name) {
        return ZeraZovEvent(name, "user", nlohmann::json::object(), ZeraZovEvent::Date{} + 1796797800s, UUID::random());
    }

    void addAll(ZeraZovReplayQueue& queue, const Names& names) {
        for (const auto& name : names) queue.add(event(name));
    }

    void flushNow(ZeraZovReplayQueue& queue) {
        queue.flush();
        queue.innerQueue().waitForDispatchedFlushes();
    }

    bool logged(const std::string& line) const { return log.contains("[ZeraZov] " + line); }
    bool loggedStarting(const std::string& start) const {
        const auto lines = log.lines();
        return std::any_of(lines.begin(), lines.end(),
                           [&](const std::string& line) { return line.starts_with("[ZeraZov] " + start); });
    }

    platform::TemporaryDirectory folder;
    ZeraZovStorage storage{folder.path(), "token"};
    std::shared_ptr<ZeraZovConfig> config = std::make_shared<ZeraZovConfig>("token");
    platform::ManualMainQueue mainQueue;
    platform::ManualClock clock{platform::Clock::WallTime{} + 1796797800s};
    std::shared_ptr<RecordingUpload> upload = std::make_shared<RecordingUpload>();
    std::shared_ptr<ScriptedDelegate> delegate = std::make_shared<ScriptedDelegate>();
    platform::LogCapture log;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

// --- without buffering --------------------------------------------------------

TEST_F(ZeraZovReplayQueueTest, WithoutADelegateEventsGoToTheInnerQueue) {
    auto queue = makeQueue();
    addAll(*queue, {"$snapshot", "$snapshot"});
    EXPECT_EQ(queue->innerQueue().depth(), 2u);
    EXPECT_EQ(queue->bufferQueue().depth(), 0u);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (std::vector<Names>{{"$snapshot", "$snapshot"}}));
}

TEST_F(ZeraZovReplayQueueTest, ADelegateThatIsGoneMeansNoBuffering) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    delegate.reset();
    addAll(*queue, {"a"});
    EXPECT_EQ(queue->innerQueue().depth(), 1u);
    EXPECT_EQ(queue->bufferQueue().depth(), 0u);
}

TEST_F(ZeraZovReplayQueueTest, ADelegateThatSaysNoLeavesEventsOnTheDirectRoad) {
    auto queue = makeQueue();
    delegate->buffering = false;
    queue->setBufferDelegate(delegate);
    addAll(*queue, {"a"});
    EXPECT_EQ(queue->innerQueue().depth(), 1u);
    EXPECT_EQ(delegate->notifications, 0);
}

TEST_F(ZeraZovReplayQueueTest, FlushWhilePausedLogsTheReasonAndSendsNothing) {
    auto queue = makeQueue();
    addAll(*queue, {"a"});
    queue->innerQueue().pause(60);
    flushNow(*queue);
    EXPECT_TRUE(upload->batches().empty());
    EXPECT_TRUE(logged("The queue is " + *queue->innerQueue().pauseDescription()));
}

// --- buffering ----------------------------------------------------------------

TEST_F(ZeraZovReplayQueueTest, WhileBufferingEventsGoToTheBufferFolder) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    addAll(*queue, {"a", "b"});
    EXPECT_EQ(queue->innerQueue().depth(), 0u);
    EXPECT_EQ(queue->bufferQueue().depth(), 2u);
    EXPECT_EQ(delegate->notifications, 2);
    EXPECT_TRUE(logged("Buffered replay event 'a'. Buffer depth: 1"));
    EXPECT_TRUE(logged("Buffered replay event 'b'. Buffer depth: 2"));
}

TEST_F(ZeraZovReplayQueueTest, AnEventThatCouldNotBeBufferedIsNotReportedAsBuffered) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    std::filesystem::remove_all(queue->bufferQueue().folder());
    // Files where the folder would be made again and where the one kept beside it would.
    { std::ofstream blocker(queue->bufferQueue().folder()); }
    { std::ofstream blocker(queue->bufferQueue().folder().string() + ".aside"); }
    addAll(*queue, {"a"});
    EXPECT_EQ(queue->bufferQueue().depth(), 0u);
    EXPECT_EQ(delegate->notifications, 0);
    EXPECT_TRUE(loggedStarting("Could not write replay buffer file "));
    EXPECT_FALSE(loggedStarting("Buffered replay event"));
}

TEST_F(ZeraZovReplayQueueTest, BufferFilesHoldTheEventsJSON) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    const auto original = event("a");
    queue->add(original);
    const auto stored = queue->bufferQueue().takeAll();
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(stored[0]), original.toJSON());
}

TEST_F(ZeraZovReplayQueueTest, FlushWhileBufferingIsSuppressed) {
    auto queue = makeQueue();
    addAll(*queue, {"direct"});
    queue->setBufferDelegate(delegate);
    addAll(*queue, {"held"});
    flushNow(*queue);
    EXPECT_TRUE(logged("Replay queue flush suppressed — still buffering"));
    EXPECT_TRUE(upload->batches().empty());
    EXPECT_EQ(queue->innerQueue().depth(), 1u);
}

// --- hand-over ----------------------------------------------------------------

TEST_F(ZeraZovReplayQueueTest, WhenBufferingEndsTheNextAddHandsOverInOrder) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    addAll(*queue, {"1", "2", "3"});
    delegate->buffering = false;
    addAll(*queue, {"4"});
    EXPECT_EQ(queue->bufferQueue().depth(), 0u);
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (std::vector<Names>{{"1", "2", "3", "4"}}));
}

TEST_F(ZeraZovReplayQueueTest, WhenBufferingEndsFlushSendsTheBufferedEvents) {
    auto queue = makeQueue();
    queue->setBufferDelegate(delegate);
    addAll(*queue, {"1", "2"});
    delegate.reset();
    flushNow(*queue);
    EXPECT_EQ(upload->batches(), (std::vector<Names>{{"1", "2"}}));
    EXPECT_EQ(queue->bufferQueue().depth(), 0u);
}

// --- restart --------------------------------------------------------------------

TEST_F(ZeraZovReplayQueueTest, ARestartedClientStartsWithAnEmptyBufferFolder) {
    {
        auto first = makeQueue();
        first->setBufferDelegate(delegate);
        addAll(*first, {"a"});
    }
    auto second = makeQueue();
    EXPECT_EQ(second->bufferQueue().depth(), 0u);
    EXPECT_TRUE(std::filesystem::is_empty(storage.url(ZeraZovStorage::StorageKey::replayBufferQueue)));
}

}  // namespace
}  // namespace zerazov
