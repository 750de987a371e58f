#include "Platform/Foundation/NotificationCenter.h"

#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "Platform/Testing/ManualMainQueue.h"

namespace platform {
namespace {

using nlohmann::json;
using ::testing::ElementsAre;

TEST(NotificationCenterTest, DeliversSynchronouslyByNameWithUserInfo) {
    NotificationCenter center;
    std::vector<Notification> heard;
    auto token =
        center.addObserver("ScreensChanged", nullptr, [&heard](const Notification& note) { heard.push_back(note); });
    center.post("OtherName");
    center.post("ScreensChanged", json::object({{"count", 2}}));
    center.post("ScreensChanged");
    ASSERT_EQ(heard.size(), 2u);
    EXPECT_EQ(heard[0].name, "ScreensChanged");
    EXPECT_EQ(heard[0].userInfo, json::object({{"count", 2}}));
    EXPECT_TRUE(heard[1].userInfo.is_null());
}

TEST(NotificationCenterTest, MainQueueObserverRunsInlineWhenPostedOnTheMainThread) {
    ManualMainQueue mainQueue;
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("Tick", &mainQueue, [&calls](const Notification&) { ++calls; });
    center.post("Tick");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(mainQueue.pendingCount(), 0u);
}

TEST(NotificationCenterTest, MainQueueObserverWaitsForTheMainQueueWhenPostedElsewhere) {
    ManualMainQueue mainQueue;
    NotificationCenter center;
    std::vector<std::thread::id> ranOn;
    json received;
    auto token = center.addObserver("Tick", &mainQueue, [&](const Notification& note) {
        ranOn.push_back(std::this_thread::get_id());
        received = note.userInfo;
    });
    std::thread poster([&center] { center.post("Tick", json::object({{"from", "worker"}})); });
    poster.join();
    EXPECT_TRUE(ranOn.empty());
    EXPECT_EQ(mainQueue.pendingCount(), 1u);

    mainQueue.drain();
    EXPECT_THAT(ranOn, ElementsAre(std::this_thread::get_id()));
    EXPECT_EQ(received, json::object({{"from", "worker"}}));
}

TEST(NotificationCenterTest, QueuedDeliverySkipsAnObserverReleasedBeforeTheQueueRuns) {
    ManualMainQueue mainQueue;
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("Tick", &mainQueue, [&calls](const Notification&) { ++calls; });
    std::thread poster([&center] { center.post("Tick"); });
    poster.join();
    token.reset();
    mainQueue.drain();
    EXPECT_EQ(calls, 0);
}

TEST(NotificationCenterTest, ReleasingTheLastTokenCopyUnsubscribes) {
    NotificationCenter center;
    int calls = 0;
    auto token = center.addObserver("Tick", nullptr, [&calls](const Notification&) { ++calls; });
    auto copy = token;
    token.reset();
    center.post("Tick");
    EXPECT_EQ(calls, 1);
    copy.reset();
    center.post("Tick");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenterTest, ObserverMayReleaseItsOwnTokenWhileHandling) {
    NotificationCenter center;
    auto calls = std::make_shared<int>(0);
    ObserverTokenPtr token;
    token = center.addObserver("Once", nullptr, [&token, calls](const Notification&) {
        token.reset();
        // The captures must still be alive after the release above.
        ++*calls;
    });
    center.post("Once");
    center.post("Once");
    EXPECT_EQ(*calls, 1);
}

TEST(NotificationCenterTest, ObserverRemovedEarlierInTheSamePostIsNotCalled) {
    NotificationCenter center;
    std::vector<std::string> calls;
    ObserverTokenPtr second;
    auto first = center.addObserver("Tick", nullptr, [&](const Notification&) {
        calls.push_back("first");
        second.reset();
    });
    second = center.addObserver("Tick", nullptr, [&](const Notification&) { calls.push_back("second"); });
    center.post("Tick");
    EXPECT_THAT(calls, ElementsAre("first"));
}

TEST(NotificationCenterTest, ObserverMayPostAndSubscribeFromItsHandler) {
    NotificationCenter center;
    std::vector<std::string> calls;
    ObserverTokenPtr late;
    auto relay = center.addObserver("First", nullptr, [&](const Notification&) {
        calls.push_back("first");
        late = center.addObserver("Second", nullptr, [&](const Notification&) { calls.push_back("second"); });
        center.post("Second");
    });
    center.post("First");
    EXPECT_THAT(calls, ElementsAre("first", "second"));
}

TEST(NotificationCenterTest, PostsFromSeveralThreadsAreAllDelivered) {
    NotificationCenter center;
    std::atomic<int> calls = 0;
    auto token = center.addObserver("Tick", nullptr, [&calls](const Notification&) { ++calls; });
    std::vector<std::thread> posters;
    for (int i = 0; i < 4; ++i) {
        posters.emplace_back([&center] {
            for (int n = 0; n < 200; ++n) {
                center.post("Tick");
                auto churn = center.addObserver("Other", nullptr, [](const Notification&) {});
            }
        });
    }
    for (auto& poster : posters) poster.join();
    EXPECT_EQ(calls.load(), 800);
}

}  // namespace
}  // namespace platform
