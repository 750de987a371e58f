// Documents nested far deeper than any real one, as a server or a damaged file
// may hand them over. Each parsed and then ran the stack out wherever it was
// copied or written next: the program died within seconds of every launch.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ClientHarness.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

constexpr std::size_t tooDeep = 100'000;  // about 200 KB
const std::string refusal = "nested deeper than 512 levels";

std::string nestedArrays(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// An object, so that it passes for an answer or a stored document until its depth is seen.
std::string deepObject() { return "{\"kept\":" + nestedArrays(tooDeep) + "}"; }

TEST(DeepNesting, AnAnswerNestedTooDeepIsAFailedRequestAndTheCachedDocumentsStay) {
    struct Case {
        const char* what;
        bool remoteConfig;  // else a flags reload
        std::string log;
    };
    const std::vector<Case> cases{
        {"GET /array/<token>/config", true, "Error parsing the remote config response: " + refusal},
        {"POST /flags?v=2", false, "Error parsing the flags response: " + refusal},
    };
    const json cachedConfig{{"hasFeatureFlags", true}};
    const json cachedFlags{{"cached", true}};
    for (const auto& c : cases) {
        ClientHarness h;
        const ZeraZovStorage storage(h.folder.path(), testProjectToken);
        storage.setJSON(Key::remoteConfig, cachedConfig);
        storage.setJSON(Key::enabledFeatureFlags, cachedFlags);
        h.server.answer([](const httplib::Request&, httplib::Response& response) {
            response.set_content(deepObject(), "application/json");
        });
        auto config = h.config();
        config->disableRemoteConfigForTesting = !c.remoteConfig;
        auto client = h.client(config);
        if (!c.remoteConfig) client->reloadFeatureFlags();
        EXPECT_TRUE(h.waitForLogStartingWith(c.log)) << c.what;
        EXPECT_TRUE(client->isFeatureEnabled("cached", false)) << c.what;
        EXPECT_EQ(storage.getJSON(Key::remoteConfig), cachedConfig) << c.what;
        EXPECT_EQ(storage.getJSON(Key::enabledFeatureFlags), cachedFlags) << c.what;
        client->close();
    }
}

TEST(DeepNesting, AStoredValueNestedTooDeepReadsAsAbsent) {
    ClientHarness h;
    std::filesystem::create_directories(h.projectFolder());
    for (const auto key : {Key::enabledFeatureFlags, Key::remoteConfig}) {
        std::ofstream(h.projectFolder() / ZeraZovStorage::rawValue(key), std::ios::binary) << deepObject();
    }
    auto config = h.config();
    config->preloadFeatureFlags = false;
    auto client = h.client(config);
    EXPECT_FALSE(client->isFeatureEnabled("kept", false));
    EXPECT_EQ(client->getFeatureFlag("kept", false), std::nullopt);
    EXPECT_EQ(client->remoteConfig()->cachedRemoteConfig(), std::nullopt);
    EXPECT_TRUE(h.logged("Failed to serialize key 'enabledFeatureFlags' error: " + refusal));
    client->close();
}

// The program's own values: one nested too deep is dropped before anything copies it.
TEST(DeepNesting, ACapturedPropertyNestedTooDeepIsDroppedAndTheEventKept) {
    ClientHarness h;
    auto client = h.client();
    CapturedEvents events(*client);
    std::optional<json> properties(std::in_place, json::object());
    (*properties)["deep"] = json::parse(nestedArrays(tooDeep));
    (*properties)["trigger"] = "hotkey";
    client->capture("jump_triggered", properties);
    ASSERT_EQ(events.names(), std::vector<std::string>{"jump_triggered"});
    EXPECT_EQ(events.last().properties["trigger"], "hotkey");
    EXPECT_FALSE(events.last().properties.contains("deep"));
    EXPECT_TRUE(h.logged("property: deep isn't serializable, dropping the item"));
    client->close();
}

// Person and group properties as deep as the sanitiser lets them in travel one level
// further down, under the builder's own key; the event keeps them there, and what
// flags are evaluated with is what was sent.
TEST(DeepNesting, PersonPropertiesAtTheDeepestAllowedLevelAreSentAndSeenByFlags) {
    struct Case {
        std::size_t depth;
        bool kept;
    };
    for (const auto& c : {Case{256, true}, Case{257, false}}) {
        ClientHarness h;
        auto client = h.client();
        const json deep = json::parse(nestedArrays(c.depth));
        client->capture("jump_triggered", std::nullopt, json{{"deep", deep}}, json{{"once", deep}});
        client->group("company", "acme", json{{"group", deep}});
        const auto events = h.queuedEvents();
        ASSERT_EQ(events.size(), 2u) << c.depth;
        const auto& person = events[0].properties;
        const auto& group = events[1].properties;
        ASSERT_TRUE(person.contains("$set") && person.contains("$set_once")) << c.depth;
        const auto flags = client->remoteConfig()->personPropertiesForFlags();
        if (c.kept) {
            EXPECT_EQ(person["$set"], (json{{"deep", deep}})) << c.depth;
            EXPECT_EQ(person["$set_once"], (json{{"once", deep}})) << c.depth;
            EXPECT_EQ(group.value("$group_set", json()), (json{{"group", deep}})) << c.depth;
            EXPECT_EQ(flags.value("deep", json()), person["$set"]["deep"]) << c.depth;
        } else {
            EXPECT_EQ(person["$set"], json::object()) << c.depth;
            EXPECT_EQ(person["$set_once"], json::object()) << c.depth;
            EXPECT_FALSE(group.contains("$group_set") && group["$group_set"].contains("group")) << c.depth;
            EXPECT_FALSE(flags.contains("deep")) << c.depth;
            EXPECT_TRUE(h.logged("property: deep isn't serializable, dropping the item")) << c.depth;
        }
        client->close();
    }
}

}  // namespace
}  // namespace zerazov::testing
