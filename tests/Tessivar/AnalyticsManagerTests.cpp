#include <gtest/gtest.h>

#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/AnalyticsManager.h"

using tessivar::AnalyticsManager;

namespace {

struct RecordingClient : tessivar::AnalyticsClient {
    void capture(const std::string& event, const nlohmann::json& properties) override {
        events.push_back({event, properties});
    }
    void flush() override { ++flushes; }
    std::vector<std::pair<std::string, nlohmann::json>> events;
    int flushes = 0;
};

struct Analytics : ::testing::Test {
    AnalyticsManager manager(RecordingClient* c) { return AnalyticsManager(defaults, "1.2.3", "42", "6.1.0", c); }
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::LogCapture logs;
    RecordingClient client;
};

TEST_F(Analytics, DisplayCountBuckets) {
    const std::vector<std::pair<int, std::string>> table{{0, "1"}, {1, "1"}, {2, "2"}, {3, "3"}, {4, "4+"}, {7, "4+"}};
    for (const auto& [count, bucket] : table) EXPECT_EQ(AnalyticsManager::displayCountBucket(count), bucket) << count;
}

TEST_F(Analytics, AnonymousIdIsMadeOnceAndKept) {
    auto m = manager(&client);
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
    auto m = manager(&client);
    const auto id = m.anonymousDistinctID();
    EXPECT_TRUE(id.starts_with("instance_tv_"));
    EXPECT_EQ(defaults.stringValue("anonymous_distinct_id"), id);
}

TEST_F(Analytics, SwitchedOffByTheUserDefaultNothingIsRecorded) {
    defaults.set("analytics_enabled", false);
    auto m = manager(&client);
    m.configure();
    m.trackAppOpened();
    m.trackJump("hotkey", 2);
    m.trackAppQuit();
    EXPECT_TRUE(client.events.empty());
    EXPECT_EQ(client.flushes, 0);
    EXPECT_EQ(logs.lines(), (std::vector<std::string>{
                                "[Tessivar-Analytics] AnalyticsManager: Analytics are disabled, skipping configuration."}));
    EXPECT_FALSE(m.isConfigured());
}

TEST_F(Analytics, EventsCarryTheirPropertiesAsStrings) {
    defaults.set("analytics_enabled", true);
    auto m = manager(&client);
    m.trackAppOpened();
    m.trackJump("menu", 5);
    m.trackSettingsOpened();
    m.trackAppQuit();

    ASSERT_EQ(client.events.size(), 4u);
    EXPECT_EQ(client.events[0].first, "app_opened");
    EXPECT_EQ(client.events[0].second,
              (nlohmann::json{{"app_version", "1.2.3"}, {"build_number", "42"}, {"os_version", "6.1.0"}}));
    EXPECT_EQ(client.events[1].second,
              (nlohmann::json{{"trigger", "menu"}, {"display_count_bucket", "4+"}, {"app_version", "1.2.3"}}));
    EXPECT_EQ(client.events[2].first, "settings_opened");
    EXPECT_EQ(client.events[3].first, "app_quit");
    EXPECT_EQ(client.flushes, 1);
    EXPECT_TRUE(m.isConfigured());
    EXPECT_TRUE(logs.contains("[Tessivar-Analytics] Captured: jump_triggered (trigger: menu, bucket: 4+)"));
    EXPECT_TRUE(logs.contains("[Tessivar-Analytics] Captured: app_quit (flushed successfully)"));
}

TEST_F(Analytics, WithoutAClientNothingClaimsToBeCaptured) {
    auto m = manager(nullptr);
    m.configure();
    m.trackAppOpened();
    EXPECT_FALSE(m.isConfigured());
    EXPECT_TRUE(logs.lines().empty());
}

}  // namespace
