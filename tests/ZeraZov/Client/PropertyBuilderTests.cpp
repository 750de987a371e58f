#include <gtest/gtest.h>

#include "ClientHarness.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

class PropertyBuilderTest : public ::testing::Test {
protected:
    PropertyBuilderTest() {
        // What an earlier run left: groups and flags.
        ZeraZovStorage storage(h.folder.path(), testProjectToken);
        storage.setJSON(Key::groups, json{{"company", "y"}});
        storage.setJSON(Key::enabledFeatureFlags, json{{"on", true}, {"off", false}, {"multi", "b"}});
        client = h.client();
        client->registerProperties({{"plan", "a"}});
    }
    ~PropertyBuilderTest() override { client->close(); }

    ClientHarness h;
    std::shared_ptr<ZeraZovSDK> client;
};

TEST_F(PropertyBuilderTest, TheClientsKeysWinExceptWhereTheCallerMaySupplyItsOwn) {
    client->screen("Settings");
    const auto session = client->getSessionId().value_or("");
    struct Case {
        const char* what;
        json properties;
        std::optional<ZeraZovSDK::Groups> groups;
        const char* key;
        json expected;
    };
    const std::vector<Case> cases{
        {"a context key", {{"$os_name", "Mine"}}, std::nullopt, "$os_name", "Linux"},
        {"a library key", {{"$lib", "mine"}}, std::nullopt, "$lib", "zerazov-ios"},
        {"a super property", {{"plan", "b"}}, std::nullopt, "plan", "a"},
        {"a stored group keeps its key",
         json::object(),
         ZeraZovSDK::Groups{{"company", "x"}, {"team", "t"}},
         "$groups",
         {{"company", "y"}, {"team", "t"}}},
        {"a flag that is off", json::object(), std::nullopt, "$feature/off", false},
        {"a variant", json::object(), std::nullopt, "$feature/multi", "b"},
        {"only flags that are on are active", json::object(), std::nullopt, "$active_feature_flags", {"multi", "on"}},
        {"person processing is the client's",
         {{"$process_person_profile", true}},
         std::nullopt,
         "$process_person_profile",
         false},
        {"a blank screen name is no screen name", {{"$screen_name", "  \n"}}, std::nullopt, "$screen_name", "Settings"},
        {"the caller's screen name", {{"$screen_name", "Mine"}}, std::nullopt, "$screen_name", "Mine"},
        {"the caller's session", {{"$session_id", "mine"}}, std::nullopt, "$session_id", "mine"},
        {"an empty session is no session", {{"$session_id", ""}}, std::nullopt, "$session_id", session},
        {"the caller's own keys", {{"trigger", "hotkey"}}, std::nullopt, "trigger", "hotkey"},
    };
    for (const auto& c : cases) {
        const auto built =
            client->buildProperties("someone", c.properties, std::nullopt, std::nullopt, c.groups, true, std::nullopt);
        EXPECT_EQ(built.value(c.key, json()), c.expected) << c.what;
    }
    const auto withPerson = client->buildProperties("someone", json{{"$set", {{"mine", 1}}}}, json{{"plan", "pro"}},
                                                    json{{"first", "1.0"}}, std::nullopt, true, std::nullopt);
    EXPECT_EQ(withPerson["$set"], (json{{"plan", "pro"}})) << "the person properties are always the client's";
    EXPECT_EQ(withPerson["$set_once"], (json{{"first", "1.0"}}));
    EXPECT_EQ(withPerson["$is_identified"], false);
}

TEST_F(PropertyBuilderTest, ASnapshotCarriesOnlyTheLibrarySessionAndDistinctId) {
    const auto built = client->buildProperties("someone", json{{"$snapshot_data", {1, 2}}}, std::nullopt, std::nullopt,
                                               std::nullopt, false, std::nullopt);
    std::vector<std::string> keys;
    for (const auto& [key, value] : built.items()) keys.push_back(key);
    EXPECT_EQ(keys, (std::vector<std::string>{"$lib", "$lib_version", "$session_id", "$snapshot_data", "distinct_id"}));
    EXPECT_EQ(built["distinct_id"], "someone");
    const auto own = client->buildProperties("someone", json{{"distinct_id", "theirs"}}, std::nullopt, std::nullopt,
                                             std::nullopt, false, std::nullopt);
    EXPECT_EQ(own["distinct_id"], "theirs");
}

TEST_F(PropertyBuilderTest, AHookDecidesTheQueueByTheNameItLeaves) {
    CapturedEvents events(*client);
    client->config()->setBeforeSend({[](ZeraZovEvent event) -> std::optional<ZeraZovEvent> {
        if (event.event == "drop me") return std::nullopt;
        if (event.event.starts_with("replay")) event.event = "$snapshot";
        if (event.event == "$snapshot" && event.properties.contains("no session"))
            event.properties.erase("$session_id");
        return event;
    }});
    client->capture("replay with session");
    client->capture("replay", json{{"no session", true}});
    client->capture("drop me");
    client->capture("kept");
    EXPECT_EQ(events.names(), (std::vector<std::string>{"$snapshot", "kept"}));
    EXPECT_TRUE(h.logged("ZeraZov event drop me was dropped"));
    ASSERT_EQ(h.queuedEvents().size(), 1u);
    EXPECT_EQ(h.queuedEvents()[0].event, "kept");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(h.projectFolder() / "zerazov.replayFolder.uuid"),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(PersonProfiles, NeverStillSendsTheEventButNoPersonProfile) {
    ClientHarness h;
    auto config = h.config();
    config->personProfiles = ZeraZovPersonProfiles::never;
    auto client = h.client(config);
    CapturedEvents events(*client);
    client->capture("signed_up", std::nullopt, json{{"plan", "pro"}});
    client->identify("user-1");
    client->alias("other");
    client->group("company", "acme");
    ASSERT_EQ(events.names(), (std::vector<std::string>{"signed_up"}));
    EXPECT_EQ(events.last().properties["$set"], (json{{"plan", "pro"}}));
    EXPECT_EQ(events.last().properties["$process_person_profile"], false);
    for (const auto* operation :
         {"identify(_:userProperties:userPropertiesSetOnce:)", "alias(_:)", "group(type:key:groupProperties:)"}) {
        EXPECT_TRUE(h.logged(std::string(operation) +
                             " was called, but `personProfiles` is set to `never`. This call will be ignored."))
            << operation;
    }
    EXPECT_FALSE(std::filesystem::exists(h.projectFolder() / "zerazov.groups"));
    client->close();
}

}  // namespace
}  // namespace zerazov::testing
