#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <thread>

#include "ClientHarness.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov::testing {
namespace {

using tessivar::testing::DebugLogSwitch;

using nlohmann::json;

const std::string optedOut = "ZeraZov is in OptOut state.";

TEST(OptOut, IsRememberedAcrossLaunchesAndStopsEveryCapture) {
    ClientHarness h;
    auto client = h.client();
    client->capture("before");
    client->optOut();
    client->optOut();
    client->capture("jump_triggered");
    client->identify("someone");
    client->screen("Settings");
    client->captureLog("a line");
    EXPECT_TRUE(client->isOptOut());
    EXPECT_EQ(h.countLogged(optedOut), 4);
    client->close();

    // The configuration says opted in; what was stored wins. (Closing turned the debug log off.)
    const DebugLogSwitch debugAgain;
    client = h.client();
    CapturedEvents events(*client);
    EXPECT_TRUE(client->isOptOut());
    client->capture("still ignored");
    client->optIn();
    client->capture("counted");
    EXPECT_EQ(events.names(), (std::vector<std::string>{"counted"}));
    const auto queued = h.queuedEvents();
    ASSERT_EQ(queued.size(), 2u) << "what was queued before opting out stays";
    EXPECT_EQ(queued[0].event, "before");
    client->close();

    client = h.client();
    EXPECT_FALSE(client->isOptOut());
    client->close();
}

TEST(Close, LeavesTheQueuedEventsForTheNextSetUp) {
    ClientHarness h;
    auto config = h.config();
    auto client = h.client(config);
    client->capture("app_opened");
    client->close();
    const DebugLogSwitch debugAgain;
    h.logs.clear();
    client->capture("after close");
    client->close();
    EXPECT_EQ(h.countLogged("ZeraZov method was called without `setup` being complete. Call wil be ignored."), 2);
    EXPECT_FALSE(config->storageManager.get()) << "the identity store is let go";

    client->setup(config);
    ASSERT_TRUE(client->isEnabled());
    client->flush();
    EXPECT_TRUE(client->waitForUploads(std::chrono::seconds(5)));
    ASSERT_EQ(h.uploadedEvents().size(), 1u);
    EXPECT_EQ(h.uploadedEvents()[0]["event"], "app_opened");
    client->close();
}

// Every event the client accepted while it was closed and set up again on another
// thread is in the queue's folder afterwards, none lost and none twice.
TEST(Close, ClosingAndSettingUpAgainWhileAnotherThreadCapturesLosesNothing) {
    ClientHarness h;
    const DebugLogSwitch quiet(false);
    auto config = h.config();
    config->debug = false;
    config->flushAt = 100000;
    config->maxQueueSize = 100000;
    auto client = h.client(config);
    CapturedEvents accepted(*client);

    std::atomic<bool> done{false};
    std::thread capturer([&] {
        for (int i = 0; !done; ++i) client->capture("jump_triggered", json{{"n", i}});
    });
    for (int round = 0; round < 20; ++round) {
        client->close();
        client->setup(config);
    }
    done = true;
    capturer.join();
    client->close();

    std::set<std::string> stored;
    for (const auto& event : h.queuedEvents()) stored.insert(event.uuid.uuidString());
    std::set<std::string> announced;
    for (const auto& event : accepted.all()) announced.insert(event.uuid.uuidString());
    EXPECT_GT(announced.size(), 0u);
    EXPECT_EQ(stored, announced);
}

}  // namespace
}  // namespace zerazov::testing
