#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "ClientHarness.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;

// Each step runs on a client made afresh over the same folder, as after a restart.
class IdentityTest : public ::testing::Test {
protected:
    std::shared_ptr<ZeraZovSDK> restart() {
        if (client) client->close();
        ZeraZovDebugLog::setEnabled(true);
        h.logs.clear();
        client = h.client();
        events = std::make_unique<CapturedEvents>(*client);
        return client;
    }
    ~IdentityTest() override { client->close(); }

    ClientHarness h;
    std::shared_ptr<ZeraZovSDK> client;
    std::unique_ptr<CapturedEvents> events;
};

TEST_F(IdentityTest, IdentifyMovesTheInstallationToItsIdAndKeepsItAcrossLaunches) {
    restart();
    const auto anonymous = client->getDistinctId();
    client->identify("instance_tv_0123", json{{"app_version", "1.0.0"}}, json{{"first_app_version", "1.0.0"}});
    ASSERT_EQ(events->names(), (std::vector<std::string>{"$identify"}));
    const auto identify = events->last();
    EXPECT_EQ(identify.distinctId, "instance_tv_0123");
    EXPECT_EQ(identify.properties["distinct_id"], "instance_tv_0123");
    EXPECT_EQ(identify.properties["$anon_distinct_id"], anonymous);
    EXPECT_EQ(identify.properties["$set"], (json{{"app_version", "1.0.0"}}));
    EXPECT_EQ(identify.properties["$is_identified"], true);

    restart();
    EXPECT_EQ(client->getDistinctId(), "instance_tv_0123");
    EXPECT_EQ(client->getAnonymousId(), anonymous);
    EXPECT_TRUE(client->hasPersonProcessing());
    // The next launch identifies with the same id and properties: person properties only.
    client->identify("instance_tv_0123", json{{"app_version", "1.0.0"}}, json{{"first_app_version", "1.0.0"}});
    client->identify("instance_tv_0123", json{{"app_version", "1.0.0"}}, json{{"first_app_version", "1.0.0"}});
    client->identify("instance_tv_0123");
    client->identify("someone-else");
    client->identify("");
    EXPECT_EQ(events->names(), (std::vector<std::string>{"$set"}));
    EXPECT_EQ(events->last().properties["$set_once"], (json{{"first_app_version", "1.0.0"}}));
    EXPECT_TRUE(
        h.logged("A duplicate identify call was made with the same properties. The $set event has been ignored."));
    EXPECT_EQ(h.countLogged("already identified with id: instance_tv_0123"), 2);
    EXPECT_TRUE(h.logged("identify call not allowed, distinctId is invalid: "));

    client->reset();
    EXPECT_NE(client->getDistinctId(), "instance_tv_0123");
    client->identify("someone-else");
    EXPECT_EQ(events->last().event, "$identify");
    EXPECT_EQ(events->last().distinctId, "someone-else");
}

TEST_F(IdentityTest, SuperPropertiesAndGroupsTravelWithEveryEventAcrossLaunches) {
    restart();
    client->registerProperties({{"product", "Tessivar"}, {"source", "early_access"}});
    client->registerProperties({{"source", "release"}});
    client->unregisterProperties("missing");
    client->group("company", "acme", json{{"size", 10}});
    client->group("company", "acme");
    EXPECT_EQ(events->names(), (std::vector<std::string>{"$groupidentify", "$groupidentify"}));
    EXPECT_EQ(events->all()[0].properties["$group_set"], (json{{"size", 10}}));
    EXPECT_FALSE(events->all()[1].properties.contains("$group_set"));
    client->alias("also-me");
    EXPECT_EQ(events->last().event, "$create_alias");
    EXPECT_EQ(events->last().properties["alias"], "also-me");

    restart();
    client->capture("jump_triggered", json{{"trigger", "hotkey"}});
    const auto jump = events->last();
    EXPECT_EQ(jump.properties["product"], "Tessivar");
    EXPECT_EQ(jump.properties["source"], "release");
    EXPECT_EQ(jump.properties["$groups"], (json{{"company", "acme"}}));
    client->unregisterProperties("source");
    client->group("company", "other");
    client->capture("jump_triggered");
    EXPECT_FALSE(events->last().properties.contains("source"));
    EXPECT_EQ(events->last().properties["$groups"], (json{{"company", "other"}}));
    // A new membership reloads the flags (one request for the first group call, one
    // for the change); the same membership again does not.
    EXPECT_EQ(h.requestsFor("/flags", 2), 2u);
}

TEST_F(IdentityTest, RepeatedPersonPropertiesAreSentOnce) {
    restart();
    client->setPersonProperties(json{{"plan", "pro"}});
    client->setPersonProperties(json{{"plan", "pro"}});
    client->setPersonProperties(json{{"plan", "max"}});
    client->setPersonProperties(json{{"plan", "pro"}});
    client->setPersonProperties(json::object());
    EXPECT_EQ(events->names(), (std::vector<std::string>{"$set", "$set", "$set"}));
    EXPECT_EQ(h.countLogged("A duplicate setPersonProperties call was made with the same properties. It has been "
                            "ignored."),
              1);
    EXPECT_EQ(ZeraZovSDK::personPropertiesFingerprint("a", json{{"y", 1}, {"x", 2}}, std::nullopt),
              R"({"distinct_id":"a","userPropertiesToSet":{"x":2,"y":1}})");
}

// An anonymous installation sends no person profile until one of these asks for it;
// from then on every event does, in this run and the next.
TEST(PersonProcessing, IsSwitchedOnByEachPersonOperationAndRemembered) {
    struct Case {
        const char* what;
        std::function<void(ZeraZovSDK&)> operation;
    };
    const std::vector<Case> cases{
        {"person properties",
         [](ZeraZovSDK& c) {
             c.setPersonProperties(json{{"plan", "pro"}});
         }},
        {"a capture with person properties",
         [](ZeraZovSDK& c) {
             c.capture("settings_changed", std::nullopt, json{{"plan", "pro"}});
         }},
        {"a group", [](ZeraZovSDK& c) { c.group("company", "acme"); }},
        {"an alias", [](ZeraZovSDK& c) { c.alias("also-me"); }},
        {"identify", [](ZeraZovSDK& c) { c.identify("instance_tv_0123"); }},
    };
    const auto personProfileOfNextEvent = [](ZeraZovSDK& client, const CapturedEvents& events) {
        client.capture("jump_triggered");
        return events.last().properties.value("$process_person_profile", json());
    };
    for (const auto& c : cases) {
        ClientHarness h;
        auto client = h.client();
        auto events = std::make_unique<CapturedEvents>(*client);
        EXPECT_EQ(personProfileOfNextEvent(*client, *events), false) << c.what << ", before";
        c.operation(*client);
        EXPECT_EQ(events->last().properties.value("$process_person_profile", json()), true) << c.what << ", its own";
        EXPECT_EQ(personProfileOfNextEvent(*client, *events), true) << c.what << ", after";
        client->close();

        client = h.client();
        events = std::make_unique<CapturedEvents>(*client);
        EXPECT_EQ(personProfileOfNextEvent(*client, *events), true) << c.what << ", after a relaunch";
        client->close();
    }
}

}  // namespace
}  // namespace zerazov::testing
