#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "ClientHarness.h"
#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/DurableFile.h"
#include "ZeraZov/Core/Events/ZeraZovContext.h"
#include "ZeraZov/Core/Storage/ZeraZovSessionManager.h"
#include "tests/Platform/Foundation/TextFile.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov::testing {
namespace {

using tessivar::testing::DebugLogSwitch;

const std::string noToken = "ZeraZov SDK will be disabled because projectToken or apiKey is empty.";

TEST(ClientSetup, RefusedSetUpsLeaveEveryCallRefused) {
    struct Case {
        const char* what;
        std::string token;
        bool withMainQueue;
        std::string message;
    };
    const std::vector<Case> cases{
        {"an empty token", "", true, noToken},
        // The configuration trims the token, so blanks are no token at all.
        {"a token of blanks and line breaks", " \t\n\u00a0", true, noToken},
        {"no main queue to run on", testProjectToken, false,
         "ZeraZov SDK will be disabled because it has no main queue to run on."},
    };
    for (const auto& c : cases) {
        ClientHarness h;
        auto environment = h.environment();
        if (!c.withMainQueue) environment.mainQueue = nullptr;
        auto client = ZeraZovSDK::create(environment);
        CapturedEvents events(*client);
        client->setup(h.config(c.token));
        EXPECT_TRUE(h.logged(c.message)) << c.what;

        h.logs.clear();
        client->capture("jump_triggered", nlohmann::json{{"trigger", "hotkey"}});
        EXPECT_EQ(client->getDistinctId(), "") << c.what;
        EXPECT_EQ(client->getSessionId(), std::nullopt) << c.what;
        EXPECT_TRUE(client->isOptOut()) << c.what;
        EXPECT_FALSE(client->isFeatureEnabled("anything")) << c.what;
        EXPECT_EQ(h.countLogged(notSetUp), 5) << c.what;
        EXPECT_TRUE(events.all().empty()) << c.what;
        EXPECT_FALSE(std::filesystem::exists(h.queueFolder(c.token))) << c.what << ": no queue was made";
    }
}

TEST(ClientSetup, ASecondSetUpIsRefusedButItsDebugSwitchCounts) {
    ClientHarness h;
    auto client = h.client();
    const auto first = client->config();
    auto second = h.config("zzk_other");
    second->debug = false;
    client->setup(second);
    EXPECT_FALSE(ZeraZovDebugLog::isEnabled());
    const DebugLogSwitch debugAgain;
    second->debug = true;
    client->setup(second);
    EXPECT_EQ(h.countLogged("Setup called despite already being setup!"), 1);
    EXPECT_EQ(client->config(), first);
    client->close();
}

TEST(ClientSetup, ASecondClientOnTheSameTokenIsWarnedAboutAndWorks) {
    ClientHarness h;
    auto first = h.client();
    auto second = h.client();
    EXPECT_TRUE(h.logged(std::string("Project token: ") + testProjectToken + " already has a ZeraZov instance."));
    EXPECT_TRUE(second->isEnabled());
    // Once one is closed its token is free again.
    first->close();
    second->close();
    const DebugLogSwitch debugAgain;
    h.logs.clear();
    auto third = h.client();
    EXPECT_FALSE(h.logged(std::string("Project token: ") + testProjectToken + " already has a ZeraZov instance."));
    third->close();
}

TEST(ClientSetup, SetUpStartsTheSessionAndTellsTheApplication) {
    ClientHarness h;
    int started = 0;
    auto observer = h.center.addObserver("ZeraZovDidStart", nullptr, [&](const platform::Notification&) { ++started; });
    auto client = h.client();
    EXPECT_TRUE(client->getSessionId().has_value());
    EXPECT_FALSE(client->getDeviceId().empty());
    EXPECT_EQ(client->getDeviceId(), client->getAnonymousId());
    EXPECT_EQ(started, 0) << "posted on the main queue, after set-up returned";
    h.mainQueue.drain();
    EXPECT_EQ(started, 1);
    client->close();
}

TEST(ClientSetup, TheApplicationResigningActiveFlushesTheEvents) {
    ClientHarness h;
    auto config = h.config();
    config->disableFlushOnBackgroundForTesting = false;
    auto client = h.client(config);
    client->capture("app_opened");
    h.lifecycle.onDidEnterBackground().invoke();
    EXPECT_TRUE(client->waitForUploads(std::chrono::seconds(5)));
    ASSERT_EQ(h.uploadedEvents().size(), 1u);
    EXPECT_EQ(h.uploadedEvents()[0]["event"], "app_opened");
    client->close();
}

// A queue folder as earlier versions left it on users' disks: each event in a
// file of its own named by its id, written to a temporary file renamed into
// place, and a temporary file that a killed write left behind. Its events go out
// oldest first at the next start, and the events captured after them as well.
TEST(ClientSetup, EventsQueuedByEarlierVersionsAreSentBeforeTheNewOnes) {
    ClientHarness h;
    std::filesystem::create_directories(h.queueFolder());
    for (int i = 1; i <= 3; ++i) {
        const auto id = "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0" + std::to_string(i);
        const nlohmann::json event = {{"event", "stored_" + std::to_string(i)},
                                      {"distinct_id", "someone"},
                                      {"properties", {{"step", i}}},
                                      {"timestamp", "2024-05-01T12:00:0" + std::to_string(i) + ".000Z"},
                                      {"uuid", id}};
        ASSERT_FALSE(platform::DurableFile::writeNew(h.queueFolder() / id, event.dump()));
    }
    foundation_tests::writeText(h.queueFolder() / "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A04.tmp-Ab12Cd",
                                "{\"event\":\"cut");

    auto client = h.client();
    client->flush();
    ASSERT_TRUE(client->waitForUploads(std::chrono::seconds(5)));
    client->capture("after_the_update");
    client->flush();
    ASSERT_TRUE(client->waitForUploads(std::chrono::seconds(5)));

    std::vector<std::string> names;
    for (const auto& event : h.uploadedEvents()) names.push_back(event["event"]);
    EXPECT_EQ(names, (std::vector<std::string>{"stored_1", "stored_2", "stored_3", "after_the_update"}));
    EXPECT_EQ(h.uploadedEvents()[1]["properties"]["step"], 2);
    EXPECT_TRUE(h.queuedEvents().empty());
    client->close();
}

// The active window's screen, measured when the application says a window or the
// application became active, goes out with every event after that, and stops
// being followed once the client is closed.
TEST(ClientSetup, EventsCarryTheSizeOfTheActiveWindowsScreenOnceMeasured) {
    ClientHarness h;
    auto environment = h.environment();
    int measurements = 0;
    environment.keyWindowScreenSize = [&measurements] {
        ++measurements;
        return std::optional(ZeraZovScreenSize{1600, 900});
    };
    auto client = ZeraZovSDK::create(environment);
    client->setup(h.config());
    client->capture("before_any_window");
    h.center.post(platform::ApplicationNotifications::didBecomeActive);
    client->capture("after_activation");
    client->flush();
    ASSERT_TRUE(client->waitForUploads(std::chrono::seconds(5)));

    const auto uploaded = h.uploadedEvents();
    ASSERT_EQ(uploaded.size(), 2u);
    EXPECT_FALSE(uploaded[0]["properties"].contains("$screen_width"));
    EXPECT_EQ(uploaded[1]["properties"]["$screen_width"], 1600);
    EXPECT_EQ(uploaded[1]["properties"]["$screen_height"], 900);

    client->close();
    h.center.post(platform::WindowNotifications::didBecomeKey);
    EXPECT_EQ(measurements, 1);
}

// A network monitor that cannot be made leaves the client without one, not without set-up.
TEST(ClientSetup, AReachabilitySourceThatThrowsLeavesTheClientWithoutNetworkKeys) {
    ClientHarness h;
    auto environment = h.environment();
    environment.makeReachabilityBackend = []() -> platform::ReachabilityBackend::Created {
        throw std::runtime_error("no netlink socket");
    };
    auto client = ZeraZovSDK::create(environment);
    CapturedEvents events(*client);
    client->setup(h.config());
    ASSERT_TRUE(client->isEnabled());
    EXPECT_TRUE(h.logged("Network reachability failed: no netlink socket"));
    client->capture("app_opened");
    ASSERT_EQ(events.all().size(), 1u);
    EXPECT_FALSE(events.last().properties.contains("$network_wifi"));
    EXPECT_FALSE(events.last().properties.contains("$network_cellular"));
    client->close();
}

// Without a lifecycle handed in, a client follows the activation posted on its own
// notification center, not on the process's default one.
TEST(ClientSetup, WithoutALifecycleTheClientFollowsItsOwnCenter) {
    ClientHarness h;
    auto environment = h.environment();
    environment.lifecycle = nullptr;
    auto client = ZeraZovSDK::with(h.config(), environment);
    const auto& session = *client->sessionManager();
    ASSERT_FALSE(session.isAppInBackground());
    h.center.post(platform::ApplicationNotifications::didResignActive);
    EXPECT_TRUE(session.isAppInBackground());
    platform::NotificationCenter::defaultCenter().post(platform::ApplicationNotifications::didBecomeActive);
    EXPECT_TRUE(session.isAppInBackground()) << "heard the default center";
    h.center.post(platform::ApplicationNotifications::didBecomeActive);
    EXPECT_FALSE(session.isAppInBackground());
    client->close();
}

// Code that reaches the session through the manager alone meets the session of the
// process-wide client, not one of its own.
TEST(ClientSetup, TheSharedSessionManagerIsThatOfTheSharedClient) {
    const auto& manager = ZeraZovSessionManager::shared();
    ASSERT_TRUE(manager);
    EXPECT_EQ(manager, ZeraZovSDK::shared().sessionManager());
    EXPECT_EQ(manager, ZeraZovSessionManager::shared());
}

}  // namespace
}  // namespace zerazov::testing
