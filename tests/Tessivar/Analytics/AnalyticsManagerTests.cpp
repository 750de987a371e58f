#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "LoopbackServer.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/AnalyticsManager.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "tests/ZeraZov/TestClientEnvironment.h"
#include "tests/ZeraZov/TestLifecyclePublisher.h"
#include "tests/support/WaitUntil.h"

using tessivar::AnalyticsManager;
using zerazov::ZeraZovEvent;
using zerazov::ZeraZovSDK;

namespace {

using nlohmann::json;

// The bridge over a real analytics client of its own, which stores into the test's
// folder and sends to a loopback server.
struct Analytics : ::testing::Test {
    Analytics() {
        client = ZeraZovSDK::create(
            zerazov::testing::testClientEnvironment(mainQueue, center, lifecycle, directory.path() / "data"));
        token = client->onEventCaptured().subscribe([this](const ZeraZovEvent& event) {
            if (!event.event.starts_with("$")) appEvents.push_back(event);
            if (event.event == "$identify") identify = event;
        });
    }
    ~Analytics() override { client->close(); }

    AnalyticsManager manager() { return AnalyticsManager(defaults, {server.url(), "1.2.3", "42", "6.1.0"}, *client); }
    std::vector<std::string> appEventNames() const {
        std::vector<std::string> names;
        for (const auto& event : appEvents) names.push_back(event.event);
        return names;
    }
    bool serverReceived(const std::string& name) const {
        for (const auto& request : server.requests()) {
            if (request.path != "/batch") continue;
            const auto body = json::parse(request.body);
            for (const auto& event : body["batch"]) {
                if (event["event"] == name) return true;
            }
        }
        return false;
    }
    void answerFlags(const json& flags) {
        server.answer([flags](const httplib::Request& request, httplib::Response& response) {
            const json body = request.path == "/flags"
                                  ? json{{"featureFlags", flags}, {"featureFlagPayloads", json::object()}}
                                  : json::object();
            response.set_content(body.dump(), "application/json");
        });
    }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::LogCapture logs;
    platform::ManualMainQueue mainQueue;
    platform::NotificationCenter center;
    zerazov::testing::TestLifecyclePublisher lifecycle;
    zerazov::testing::LoopbackServer server;
    std::shared_ptr<ZeraZovSDK> client;
    std::vector<ZeraZovEvent> appEvents;
    std::optional<ZeraZovEvent> identify;
    zerazov::RegistrationTokenPtr token;
};

TEST_F(Analytics, DisplayCountBuckets) {
    const std::vector<std::pair<int, std::string>> table{{0, "1"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4+"}, {7, "4+"}};
    for (const auto& [count, bucket] : table) EXPECT_EQ(AnalyticsManager::displayCountBucket(count), bucket) << count;
}

TEST_F(Analytics, AnonymousIdIsMadeOnceAndKept) {
    auto m = manager();
    const auto id = m.anonymousDistinctID();
    EXPECT_EQ(id.size(), 44u);
    EXPECT_TRUE(id.starts_with("instance_tv_"));
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef", 12), std::string::npos);
    EXPECT_EQ(m.anonymousDistinctID(), id);
    platform::UserDefaults reread(defaults.file());
    EXPECT_EQ(reread.stringValue("anonymous_distinct_id"), id);
}

TEST_F(Analytics, AnIdWithoutThePrefixIsReplaced) {
    defaults.set("anonymous_distinct_id", "someone-else");
    auto m = manager();
    const auto id = m.anonymousDistinctID();
    EXPECT_TRUE(id.starts_with("instance_tv_"));
    EXPECT_EQ(defaults.stringValue("anonymous_distinct_id"), id);
}

TEST_F(Analytics, SwitchedOffByTheUserDefaultNothingIsSetUpOrRecorded) {
    defaults.set("analytics_enabled", false);
    auto m = manager();
    m.configure();
    m.trackAppOpened();
    m.trackJump("hotkey", 2, std::chrono::system_clock::now());
    m.trackAppQuit();
    EXPECT_TRUE(appEvents.empty());
    EXPECT_FALSE(client->isEnabled());
    EXPECT_EQ(logs.lines(),
              (std::vector<std::string>{
                  "[Tessivar-Analytics] AnalyticsManager: Analytics are disabled, skipping configuration."}));
    EXPECT_FALSE(m.isConfigured());
    EXPECT_FALSE(std::filesystem::exists(directory.path() / "data")) << "nothing is stored";
}

TEST_F(Analytics, TheAppsEventsGoThroughTheClientAndQuittingSendsThem) {
    defaults.set("analytics_enabled", true);
    auto m = manager();
    m.configure();
    const auto id = m.anonymousDistinctID();
    ASSERT_TRUE(identify);
    EXPECT_EQ(identify->distinctId, id);
    EXPECT_EQ(identify->properties["$set"],
              (json{{"app_version", "1.2.3"}, {"app_build", "42"}, {"os_version", "6.1.0"}}));
    EXPECT_EQ(identify->properties["$set_once"], (json{{"first_app_version", "1.2.3"}}));

    m.trackAppOpened();
    // Reported after the pointer moved, stamped with when it was asked for.
    const auto jumpAskedAt = std::chrono::system_clock::now() - std::chrono::milliseconds(250);
    m.trackJump("menu", 5, jumpAskedAt);
    m.trackSettingsOpened();
    m.trackAppQuit();
    ASSERT_EQ(appEventNames(),
              (std::vector<std::string>{"app_opened", "jump_triggered", "settings_opened", "app_quit"}));
    EXPECT_EQ(std::chrono::time_point_cast<std::chrono::milliseconds>(appEvents[1].timestamp),
              std::chrono::time_point_cast<std::chrono::milliseconds>(jumpAskedAt));
    const auto& opened = appEvents[0].properties;
    EXPECT_EQ(opened["build_number"], "42");
    EXPECT_EQ(opened["os_version"], "6.1.0");
    const auto& jump = appEvents[1].properties;
    EXPECT_EQ(jump["trigger"], "menu");
    EXPECT_EQ(jump["display_count_bucket"], "4+");
    EXPECT_EQ(jump["app_version"], "1.2.3");
    EXPECT_EQ(jump["product"], "Tessivar");
    EXPECT_EQ(jump["app_id"], "com.brel.tessivar");
    EXPECT_EQ(jump["instance_name"], "Tessivar");
    EXPECT_EQ(jump["source"], "early_access");
    EXPECT_EQ(appEvents[1].distinctId, id);
    EXPECT_TRUE(serverReceived("app_quit")) << "quitting waits for the flush to be answered";
    EXPECT_TRUE(serverReceived("jump_triggered"));
    EXPECT_TRUE(m.isConfigured());
    EXPECT_TRUE(logs.contains("[Tessivar-Analytics] ✓ AnalyticsManager 初始化成功，匿名 distinctId (PERSON): " + id));
    EXPECT_TRUE(logs.contains("[Tessivar-Analytics] Captured: jump_triggered (trigger: menu, bucket: 4+)"));
    EXPECT_TRUE(logs.contains("[Tessivar-Analytics] Captured: app_quit (flushed successfully)"));
}

TEST_F(Analytics, TheRemoteSwitchStopsTheAppsEventsOnceItArrives) {
    answerFlags({{AnalyticsManager::remoteSwitch, true}});
    {
        auto m = manager();
        m.trackAppOpened();
        // The remote configuration answers, then the flags do.
        tessivar::testing::waitUntil([&] { return client->isFeatureEnabled(AnalyticsManager::remoteSwitch, false); },
                                     std::chrono::seconds(5), std::chrono::milliseconds(5));
        m.trackJump("hotkey", 2, std::chrono::system_clock::now());
        m.trackAppQuit();
        EXPECT_FALSE(m.isEnabled());
        EXPECT_TRUE(m.isConfigured()) << "the client stays set up";
    }
    EXPECT_EQ(appEventNames(), (std::vector<std::string>{"app_opened"}));
}

TEST_F(Analytics, ASwitchTheClientHeldFromTheLastRunStopsEverythingButTheSetUp) {
    zerazov::ZeraZovStorage(directory.path() / "data", AnalyticsManager::projectToken)
        .setJSON(zerazov::ZeraZovStorage::StorageKey::enabledFeatureFlags,
                 json{{AnalyticsManager::remoteSwitch, true}});
    {
        auto m = manager();
        m.configure();
        m.trackAppOpened();
    }
    EXPECT_TRUE(identify) << "set-up, identify and super properties still happen";
    EXPECT_EQ(client->getRegisteredProperties()["product"], "Tessivar");
    EXPECT_TRUE(appEvents.empty());
}

// A press only hands its event over; the client writes it on the bridge's own queue,
// stamped with the moment of the press.
TEST_F(Analytics, EventsAreWrittenOffTheCallingThreadInTheOrderRecorded) {
    const auto caller = std::this_thread::get_id();
    std::vector<std::thread::id> writers;
    auto writer = client->onEventCaptured().subscribe([&](const ZeraZovEvent& event) {
        if (event.event == "jump_triggered") writers.push_back(std::this_thread::get_id());
    });
    const auto before = std::chrono::system_clock::now();
    {
        auto m = manager();
        m.configure();
        for (int i = 1; i <= 5; ++i) m.trackJump("hotkey", i, std::chrono::system_clock::now());
    }
    ASSERT_EQ(appEventNames().size(), 5u);
    std::vector<std::string> buckets;
    for (const auto& event : appEvents) buckets.push_back(event.properties["display_count_bucket"]);
    EXPECT_EQ(buckets, (std::vector<std::string>{"1", "2", "3", "4+", "4+"}));
    for (const auto& id : writers) EXPECT_NE(id, caller);
    EXPECT_GE(appEvents.front().timestamp, before);
    EXPECT_LE(appEvents.front().timestamp, appEvents.back().timestamp);
}

// With the main queue, jumps pressed back to back wait until the presses pause
// (every jump puts that off again), until many are held, or until another event
// comes; each still carries the moment it was asked for, in the order asked.
TEST_F(Analytics, JumpsPressedBackToBackAreWrittenOnceThePressesPause) {
    std::atomic<int> jumpsWritten = 0;
    auto counter = client->onEventCaptured().subscribe([&](const ZeraZovEvent& event) {
        if (event.event == "jump_triggered") ++jumpsWritten;
    });
    const auto written = [&](int count, std::chrono::milliseconds within) {
        return tessivar::testing::waitUntil([&] { return jumpsWritten >= count; }, within);
    };
    const auto firstAskedAt = std::chrono::system_clock::now() - std::chrono::seconds(1);
    {
        AnalyticsManager m(defaults, {server.url(), "1.2.3", "42", "6.1.0"}, *client, &mainQueue);
        m.configure();
        m.trackJump("hotkey", 2, firstAskedAt);
        mainQueue.advance(0.2);
        m.trackJump("hotkey", 3, std::chrono::system_clock::now());
        mainQueue.advance(AnalyticsManager::jumpQuietSeconds - 0.01);
        EXPECT_FALSE(written(1, std::chrono::milliseconds(200))) << "held while the presses go on";
        EXPECT_FALSE(logs.contains("[Tessivar-Analytics] Captured: jump_triggered (trigger: hotkey, bucket: 3)"));
        mainQueue.advance(0.01);
        EXPECT_TRUE(logs.contains("[Tessivar-Analytics] Captured: jump_triggered (trigger: hotkey, bucket: 3)"));
        EXPECT_TRUE(written(2, std::chrono::seconds(5))) << "written once they pause";

        for (std::size_t i = 0; i < AnalyticsManager::maxHeldJumps; ++i)
            m.trackJump("menu", 2, std::chrono::system_clock::now());
        EXPECT_TRUE(written(2 + static_cast<int>(AnalyticsManager::maxHeldJumps), std::chrono::seconds(5)));

        m.trackJump("hotkey", 4, std::chrono::system_clock::now());
        m.trackSettingsOpened();
    }
    const auto names = appEventNames();
    ASSERT_EQ(names.size(), AnalyticsManager::maxHeldJumps + 4);
    EXPECT_EQ(names[names.size() - 2], "jump_triggered") << "a held jump goes before the event after it";
    EXPECT_EQ(names.back(), "settings_opened");
    EXPECT_EQ(std::chrono::time_point_cast<std::chrono::milliseconds>(appEvents[0].timestamp),
              std::chrono::time_point_cast<std::chrono::milliseconds>(firstAskedAt));
    EXPECT_EQ(appEvents[1].properties["display_count_bucket"], "3");
}

// Analytics switched off while jumps wait to be written: none of them is
// written, neither when the presses pause nor at quit, and none is logged as captured.
TEST_F(Analytics, JumpsHeldWhenAnalyticsAreSwitchedOffAreNeverWritten) {
    defaults.set("analytics_enabled", true);
    for (const bool quitFirst : {false, true}) {
        {
            AnalyticsManager m(defaults, {server.url(), "1.2.3", "42", "6.1.0"}, *client, &mainQueue);
            m.configure();
            m.trackJump("hotkey", 2, std::chrono::system_clock::now());
            defaults.set("analytics_enabled", false);
            if (!quitFirst) mainQueue.advance(AnalyticsManager::jumpQuietSeconds + 0.01);
        }
        EXPECT_TRUE(appEvents.empty()) << (quitFirst ? "at quit: " : "once the presses paused: ") << appEvents.size();
        EXPECT_FALSE(logs.contains("[Tessivar-Analytics] Captured: jump_triggered (trigger: hotkey, bucket: 2)"));
        defaults.set("analytics_enabled", true);
    }
}

}  // namespace
