#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

class FeatureFlagTest : public ::testing::Test {
protected:
    void startWith(const json& flags, const json& detailed = json::object()) {
        ZeraZovStorage storage(h.folder.path(), testProjectToken);
        storage.setJSON(Key::enabledFeatureFlags, flags);
        storage.setJSON(Key::enabledFeatureFlagPayloads, json{{"multi", "{\"size\":2}"}});
        storage.setJSON(Key::flags, detailed);
        storage.setJSON(Key::requestId, json("req-7"));
        client = h.client();
        events = std::make_unique<CapturedEvents>(*client);
    }
    ~FeatureFlagTest() override {
        if (client) client->close();
    }

    // The "$feature_flag_response" of every flag report so far.
    std::vector<json> reported() const {
        std::vector<json> responses;
        for (const auto& event : events->all()) {
            if (event.event == "$feature_flag_called") responses.push_back(event.properties["$feature_flag_response"]);
        }
        return responses;
    }

    ClientHarness h;
    std::shared_ptr<ZeraZovSDK> client;
    std::unique_ptr<CapturedEvents> events;
};

TEST_F(FeatureFlagTest, AnswersFollowTheFlagsTheClientHolds) {
    startWith({{"on", true}, {"off", false}, {"multi", "blue"}, {"disable-tessivar-analytics", true}});
    struct Case {
        const char* key;
        bool enabled;
        std::optional<json> value;
    };
    const std::vector<Case> cases{
        {"on", true, json(true)},
        {"off", false, json(false)},
        {"multi", true, json("blue")},
        {"missing", false, std::nullopt},
        {"disable-tessivar-analytics", true, json(true)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(client->isFeatureEnabled(c.key, false), c.enabled) << c.key;
        EXPECT_EQ(client->getFeatureFlag(c.key, false), c.value) << c.key;
    }
    EXPECT_EQ(client->getFeatureFlagPayload("multi"), (json{{"size", 2}}));
    EXPECT_TRUE(reported().empty()) << "asked not to report";
}

TEST_F(FeatureFlagTest, EachFlagValueIsReportedOnceWithTheResponseDetails) {
    startWith({{"on", true}, {"multi", "blue"}},
              {{"on", {{"reason", {{"description", "matched"}}}, {"metadata", {{"id", 12}, {"version", 3}}}}}});
    client->isFeatureEnabled("on");
    client->isFeatureEnabled("on");
    client->isFeatureEnabled("missing");
    client->isFeatureEnabled("missing");
    client->getFeatureFlagPayload("multi");
    client->getFeatureFlag("multi");
    EXPECT_EQ(reported(), (std::vector<json>{true, nullptr, "blue"}));
    const auto first = events->all().front().properties;
    EXPECT_EQ(first["$feature_flag"], "on");
    EXPECT_EQ(first["$feature_flag_request_id"], "req-7");
    EXPECT_EQ(first["$feature_flag_reason"], "matched");
    EXPECT_EQ(first["$feature_flag_id"], 12);
    EXPECT_EQ(first["$feature_flag_version"], 3);
    EXPECT_FALSE(first.contains("$feature_flag_evaluated_at"));

    // A reset forgets what was reported.
    client->reset();
    client->reportFeatureFlagCalled("on", true);
    EXPECT_EQ(reported().size(), 4u);
}

// A recording linked to a flag has that flag reported as the client starts, from
// what an earlier run stored; the report is an event like any other, of the
// session the set-up started.
TEST_F(FeatureFlagTest, AFlagLinkedToTheStoredRecordingIsReportedAtSetUpInTheNewSession) {
    ZeraZovStorage(h.folder.path(), testProjectToken)
        .setJSON(Key::sessionReplay, {{"endpoint", "/s/"}, {"linkedFlag", "replay-flag"}});
    startWith({{"replay-flag", true}});
    const auto queued = h.queuedEvents();
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].event, "$feature_flag_called");
    EXPECT_EQ(queued[0].properties["$feature_flag"], "replay-flag");
    EXPECT_EQ(queued[0].properties["$feature_flag_response"], true);
    ASSERT_TRUE(client->getSessionId().has_value());
    EXPECT_EQ(queued[0].properties["$session_id"], *client->getSessionId());
}

TEST_F(FeatureFlagTest, FeatureUseIsRecordedWithItsVariant) {
    startWith({{"on", true}, {"multi", "blue"}});
    client->captureFeatureView("on", std::nullopt);
    client->captureFeatureInteraction("multi", std::nullopt);
    client->captureFeatureView("missing", std::nullopt);
    ASSERT_EQ(events->names(), (std::vector<std::string>{"$feature_view", "$feature_interaction"}));
    EXPECT_FALSE(events->all()[0].properties.contains("feature_flag_variant"));
    EXPECT_EQ(events->all()[0].properties["$set"], (json{{"$feature_view/on", true}}));
    EXPECT_EQ(events->all()[1].properties["feature_flag_variant"], "blue");
    EXPECT_TRUE(
        h.logged("captureFeatureView called for flag 'missing' but no variant value is available. Event will "
                 "not be captured."));
}

TEST_F(FeatureFlagTest, PropertiesForFlagsAreKeptAndSentWithTheNextRequest) {
    startWith(json::object());
    client->setPersonPropertiesForFlags(json::object());
    EXPECT_EQ(h.requestsFor("/flags"), 0u) << "nothing to set: no reload";
    client->setPersonPropertiesForFlags({{"plan", "pro"}}, false);
    client->setGroupPropertiesForFlags("company", {{"size", 10}});
    ASSERT_EQ(h.requestsFor("/flags", 1), 1u);
    const auto body = json::parse(h.server.requests().back().body);
    EXPECT_EQ(body["person_properties"]["plan"], "pro");
    EXPECT_EQ(body["person_properties"]["$os_name"], "Linux") << "with the client's defaults";
    EXPECT_EQ(body["group_properties"], (json{{"company", {{"size", 10}}}}));
    EXPECT_EQ(body["api_key"], testProjectToken);
}

}  // namespace
}  // namespace zerazov::testing
