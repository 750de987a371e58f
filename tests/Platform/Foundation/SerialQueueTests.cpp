#include "Platform/Foundation/SerialQueue.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Foundation/Log.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

// A generous bound: a correct queue answers at once, a deadlocked one never does.
constexpr auto kBound = 10s;

// On a deadlock the queue cannot be destroyed (its worker would never be joined),
// so it is leaked and the test fails instead of hanging.
bool finishesInTime(std::future<void>& done, std::unique_ptr<SerialQueue>& queue) {
    if (done.wait_for(kBound) == std::future_status::ready) return true;
    [[maybe_unused]] auto* leaked = queue.release();
    return false;
}

TEST(SerialQueueTest, KeepsEachProducersOrderAndRunsEverything) {
    auto queue = std::make_unique<SerialQueue>("test.fifo");
    constexpr int producers = 4;
    constexpr int perProducer = 250;
    std::vector<std::pair<int, int>> ran;  // touched only on the queue
    std::vector<std::thread> threads;
    for (int producer = 0; producer < producers; ++producer) {
        threads.emplace_back([&, producer] {
            for (int n = 0; n < perProducer; ++n) queue->async([&ran, producer, n] { ran.emplace_back(producer, n); });
        });
    }
    for (auto& thread : threads) thread.join();
    std::vector<std::pair<int, int>> snapshot;
    queue->sync([&] { snapshot = ran; });

    ASSERT_EQ(snapshot.size(), static_cast<std::size_t>(producers * perProducer));
    std::vector<int> next(producers, 0);
    for (const auto& [producer, n] : snapshot) {
        ASSERT_EQ(n, next[producer]) << "producer " << producer;
        ++next[producer];
    }
}

TEST(SerialQueueTest, RunsOnOneWorkerThreadThatKnowsItIsCurrent) {
    SerialQueue queue("test.thread");
    EXPECT_FALSE(queue.isCurrent());
    std::thread::id first;
    std::thread::id second;
    bool currentInside = false;
    queue.async([&] { first = std::this_thread::get_id(); });
    queue.sync([&] {
        second = std::this_thread::get_id();
        currentInside = queue.isCurrent();
    });
    EXPECT_EQ(first, second);
    EXPECT_NE(first, std::this_thread::get_id());
    EXPECT_TRUE(currentInside);
}

TEST(SerialQueueTest, SyncFromTheQueueItselfRunsInline) {
    auto queue = std::make_unique<SerialQueue>("test.reentrant");
    std::promise<void> finished;
    auto done = finished.get_future();
    std::vector<int> order;
    queue->async([&] {
        order.push_back(1);
        queue->sync([&] {
            order.push_back(2);
            queue->sync([&] { order.push_back(3); });
        });
        order.push_back(4);
        finished.set_value();
    });
    ASSERT_TRUE(finishesInTime(done, queue));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

TEST(SerialQueueTest, SyncWaitsBehindQueuedWorkAndPassesExceptionsBack) {
    SerialQueue queue("test.sync");
    std::vector<int> order;
    for (int n = 0; n < 50; ++n) queue.async([&order, n] { order.push_back(n); });
    std::size_t seen = 0;
    queue.sync([&] { seen = order.size(); });
    EXPECT_EQ(seen, 50u);
    EXPECT_THROW(queue.sync([] { throw std::runtime_error("bad"); }), std::runtime_error);
    bool stillRunning = false;
    queue.sync([&] { stillRunning = true; });
    EXPECT_TRUE(stillRunning);
}

TEST(SerialQueueTest, ThrowingAsyncWorkIsLoggedAndDoesNotStopTheQueue) {
    std::vector<std::string> lines;
    const auto previous = Log::setSink([&lines](const std::string& line) { lines.push_back(line); });
    SerialQueue queue("test.throwing");
    queue.async([] { throw std::runtime_error("job failed"); });
    bool ranAfter = false;
    queue.sync([&] { ranAfter = true; });
    Log::setSink(previous);
    EXPECT_TRUE(ranAfter);
    EXPECT_EQ(lines, (std::vector<std::string>{"[Tessivar] ✗ test.throwing: job failed"}));
}

TEST(SerialQueueTest, DestructorRunsWhatIsStillQueued) {
    auto queue = std::make_unique<SerialQueue>("test.drain");
    std::promise<void> gate;
    auto opened = gate.get_future().share();
    std::atomic<int> ran = 0;
    queue->async([opened] { opened.wait_for(kBound); });
    for (int n = 0; n < 100; ++n) queue->async([&ran] { ++ran; });
    // Work queued by queued work during shutdown runs too.
    SerialQueue* raw = queue.get();
    queue->async([raw, &ran] { raw->async([&ran] { ++ran; }); });
    gate.set_value();
    queue.reset();
    EXPECT_EQ(ran.load(), 101);
}

TEST(SerialQueueTest, DestroyedByItsOwnWorkItFinishesTheQueueWithoutItsOwner) {
    // As when a job holds the last reference to the object that owns the queue.
    auto owner = std::make_shared<std::unique_ptr<SerialQueue>>(std::make_unique<SerialQueue>("test.self"));
    std::promise<void> gate;
    auto opened = gate.get_future().share();
    std::promise<void> finished;
    auto done = finished.get_future();
    (*owner)->async([opened] { opened.wait_for(kBound); });
    (*owner)->async([owner] { owner->reset(); });
    (*owner)->async([&finished] { finished.set_value(); });
    std::weak_ptr<std::unique_ptr<SerialQueue>> watched = owner;
    owner.reset();
    gate.set_value();
    ASSERT_EQ(done.wait_for(kBound), std::future_status::ready);
    EXPECT_TRUE(watched.expired() || !*watched.lock());
}

}  // namespace
}  // namespace platform
