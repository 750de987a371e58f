#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "FakeFlagsServer.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Core/Storage/ZeraZovStorageManager.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "tests/ZeraZov/TestToken.h"
#include "tests/support/DebugLogSwitch.h"
#include "tests/support/WaitUntil.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using Key = ZeraZovStorage::StorageKey;

class RemoteConfigTest : public ::testing::Test {
protected:
    RemoteConfigTest() {
        config->storageManager.set(std::make_shared<ZeraZovStorageManager>(base.path(), testProjectToken, nullptr));
        config->disableRemoteConfigForTesting = true;
    }

    std::shared_ptr<ZeraZovRemoteConfig> make(ZeraZovRemoteConfig::DefaultPersonProperties defaults = {},
                                              ZeraZovRemoteConfig::FeatureFlagCalled called = {}) {
        return std::make_shared<ZeraZovRemoteConfig>(config, storage, server.requests(),
                                                     ZeraZovRemoteConfig::Notifier{queue, center}, std::move(defaults),
                                                     std::move(called));
    }

    std::shared_ptr<ZeraZovRemoteConfig> started() {
        auto remote = make();
        remote->start();
        return remote;
    }

    // The flags the listeners heard, after the main queue ran.
    std::vector<std::optional<json>> heardFlags(ZeraZovRemoteConfig& remote) {
        std::vector<std::optional<json>> heard;
        auto token =
            remote.onFeatureFlagsLoaded().subscribe([&](const std::optional<json>& flags) { heard.push_back(flags); });
        queue.drain();
        return heard;
    }

    platform::TemporaryDirectory base;
    std::shared_ptr<ZeraZovConfig> config = std::make_shared<ZeraZovConfig>(testProjectToken);
    std::shared_ptr<ZeraZovStorage> storage = std::make_shared<ZeraZovStorage>(base.path(), testProjectToken);
    FakeFlagsServer server;
    platform::ManualMainQueue queue;
    platform::NotificationCenter center;
};

TEST_F(RemoteConfigTest, TheNewerResponseFormBecomesFlagsAndPayloads) {
    struct Case {
        const char* what;
        json flags;
        json featureFlags;
        json payloads;
    };
    const std::vector<Case> cases{
        {"a variant wins over enabled",
         {{"a", {{"enabled", true}, {"variant", "blue"}}}},
         {{"a", "blue"}},
         json::object()},
        {"enabled alone", {{"a", {{"enabled", false}}}}, {{"a", false}}, json::object()},
        {"the payload comes from the metadata",
         {{"a", {{"enabled", true}, {"metadata", {{"payload", "{\"x\":1}"}}}}}},
         {{"a", true}},
         {{"a", "{\"x\":1}"}}},
        {"neither variant nor enabled: no value and no payload",
         {{"a", {{"variant", 3}, {"metadata", {{"payload", 1}}}}}},
         json::object(),
         json::object()},
        {"entries that are not objects are skipped",
         {{"a", true}, {"b", {{"enabled", true}}}},
         {{"b", true}},
         json::object()},
    };
    for (const auto& c : cases) {
        const auto normalized = ZeraZovRemoteConfig::normalizedFlagsResponse(
            {{"flags", c.flags}, {"featureFlags", {{"stale", true}}}, {"featureFlagPayloads", {{"stale", 1}}}});
        EXPECT_EQ(normalized["featureFlags"], c.featureFlags) << c.what;
        EXPECT_EQ(normalized["featureFlagPayloads"], c.payloads) << c.what;
        EXPECT_EQ(normalized["flags"], c.flags) << c.what;
    }
    const json older{{"featureFlags", {{"a", true}}}, {"featureFlagPayloads", json::object()}};
    EXPECT_EQ(ZeraZovRemoteConfig::normalizedFlagsResponse(older), older) << "the older form is left as it is";
}

TEST_F(RemoteConfigTest, AnswersAreStoredMergedOrRefusedWithoutLosingTheCache) {
    const json cached{{"a", true}, {"b", false}};
    struct Case {
        const char* what;
        std::optional<json> response;
        json storedAfter;
        std::optional<json> handedOut;
    };
    const json payloads = json::object();
    const std::vector<Case> cases{
        {"flags that could not be computed keep their cached values",
         json{{"featureFlags", {{"b", true}}}, {"featureFlagPayloads", payloads}, {"errorsWhileComputingFlags", true}},
         {{"a", true}, {"b", true}},
         json{{"a", true}, {"b", true}}},
        {"a complete answer replaces the cache",
         json{{"featureFlags", {{"b", true}}}, {"featureFlagPayloads", payloads}},
         {{"b", true}},
         json{{"b", true}}},
        {"a quota limit keeps the cache and hands it out",
         json{{"quotaLimited", {"feature_flags"}}, {"featureFlags", {{"c", true}}}, {"featureFlagPayloads", payloads}},
         cached, cached},
        {"a quota list that is not all text is no quota limit",
         json{{"quotaLimited", {1, "feature_flags"}},
              {"featureFlags", {{"c", true}}},
              {"featureFlagPayloads", payloads}},
         {{"c", true}},
         json{{"c", true}}},
        {"flags of the wrong type", json{{"featureFlags", {1, 2}}, {"featureFlagPayloads", payloads}}, cached,
         std::nullopt},
        {"payloads missing", json{{"featureFlags", {{"c", true}}}}, cached, std::nullopt},
        {"no answer at all", std::nullopt, cached, std::nullopt},
    };
    for (const auto& c : cases) {
        storage->setJSON(Key::enabledFeatureFlags, cached);
        auto remote = started();
        FlagsAnswers answers;
        const auto before = server.flagsRequestCount();
        remote->loadFeatureFlags(answers.callback());
        ASSERT_TRUE(server.waitForFlagsRequests(before + 1)) << c.what;
        server.answerFlags(before, c.response);
        ASSERT_TRUE(answers.waitFor(1)) << c.what;

        EXPECT_EQ(answers.received()[0], c.handedOut) << c.what;
        EXPECT_EQ(heardFlags(*remote), (std::vector<std::optional<json>>{c.handedOut})) << c.what;
        EXPECT_EQ(remote->cachedFeatureFlags(), c.storedAfter) << c.what;
        EXPECT_EQ(started()->cachedFeatureFlags(), c.storedAfter) << c.what << ": read back by the next launch";
    }
}

TEST_F(RemoteConfigTest, OneRequestInFlightAndOnlyTheNewestWaiting) {
    storage->setJSON(Key::enabledFeatureFlags, json{{"old", true}});
    auto remote = started();
    FlagsAnswers first, second, third, fourth;
    int notifications = 0;
    auto observer = center.addObserver("ZeraZovDidReceiveFeatureFlags", nullptr,
                                       [&](const platform::Notification&) { ++notifications; });

    remote->loadFeatureFlags(first.callback());
    ASSERT_TRUE(server.waitForFlagsRequests(1));
    remote->loadFeatureFlags(second.callback());
    remote->loadFeatureFlags(third.callback());
    remote->loadFeatureFlags(fourth.callback());
    ASSERT_TRUE(second.waitFor(1));
    ASSERT_TRUE(third.waitFor(1));
    EXPECT_EQ(second.received()[0], (json{{"old", true}})) << "displaced: the cached flags at once";
    EXPECT_EQ(third.received()[0], (json{{"old", true}}));
    EXPECT_EQ(server.flagsRequestCount(), 1u);

    const json fresh{{"featureFlags", {{"new", "v"}}}, {"featureFlagPayloads", json::object()}};
    server.answerFlags(0, fresh);
    ASSERT_TRUE(first.waitFor(1));
    EXPECT_EQ(first.received()[0], (json{{"new", "v"}}));
    ASSERT_TRUE(server.waitForFlagsRequests(2)) << "the waiting call goes out when the first ends";
    server.answerFlags(1, fresh);
    ASSERT_TRUE(fourth.waitFor(1));
    EXPECT_EQ(server.flagsRequestCount(), 2u);
    queue.drain();
    EXPECT_EQ(notifications, 2);
}

// A load made while reloading is switched off sends nothing and calls back
// nothing; switched on again, the next load goes out as any other.
TEST_F(RemoteConfigTest, ALoadWhileReloadingIsOffDoesNothing) {
    auto remote = started();
    FlagsAnswers refused, allowed;
    remote->setCanReloadFlagsForTesting(false);
    remote->loadFeatureFlags(refused.callback());
    remote->setCanReloadFlagsForTesting(true);
    remote->loadFeatureFlags(allowed.callback());
    ASSERT_TRUE(server.waitForFlagsRequests(1));
    server.answerFlags(0, json{{"featureFlags", {{"on", true}}}, {"featureFlagPayloads", json::object()}});
    ASSERT_TRUE(allowed.waitFor(1)) << "the first request sent is the allowed load's";
    EXPECT_EQ(allowed.received()[0], (json{{"on", true}}));
    EXPECT_TRUE(refused.received().empty());
    EXPECT_EQ(server.flagsRequestCount(), 1u);
}

TEST_F(RemoteConfigTest, FlagsRequestsCarryTheIdsGroupsAndProperties) {
    storage->setJSON(Key::groups, json{{"company", "acme"}});
    storage->setJSON(Key::personPropertiesForFlags, json{{"plan", "pro"}, {"$app_version", "stored"}});
    storage->setJSON(Key::groupPropertiesForFlags, json{{"company", {{"size", 10}}}});
    std::shared_ptr<ZeraZovRemoteConfig> remote;
    // The client's closure takes locks of its own; asking it must not happen under the properties' lock.
    remote = make([&remote] {
        remote->setPersonPropertiesForFlags({{"seen_by_defaults", true}});
        return json{{"$app_version", "1.0.0"}, {"$os_name", "Linux"}};
    });
    remote->start();
    remote->loadFeatureFlags();
    ASSERT_TRUE(server.waitForFlagsRequests(1));

    const auto request = server.flagsRequest(0);
    const auto manager = config->storageManager.get();
    EXPECT_EQ(request.distinctId, manager->getDistinctId());
    EXPECT_EQ(request.anonymousId, manager->getAnonymousId());
    EXPECT_EQ(request.deviceId, manager->getDeviceId());
    EXPECT_EQ(request.groups, (ZeraZovRemoteConfig::Groups{{"company", "acme"}}));
    EXPECT_EQ(request.personProperties,
              (json{{"$app_version", "stored"}, {"$os_name", "Linux"}, {"plan", "pro"}, {"seen_by_defaults", true}}))
        << "stored values win over the defaults";
    EXPECT_EQ(request.groupProperties, (json{{"company", {{"size", 10}}}}));
    server.answerFlags(0, std::nullopt);
}

TEST_F(RemoteConfigTest, FlagResultsFollowTheCachedValueAndPayload) {
    storage->setJSON(Key::enabledFeatureFlags,
                     json{{"multi", "blue"}, {"on", true}, {"off", false}, {"odd", 3}, {"text", "x"}});
    storage->setJSON(Key::enabledFeatureFlagPayloads,
                     json{{"multi", "{\"size\":2}"}, {"on", "not json"}, {"odd", {1, 2}}, {"text", "7"}});
    auto remote = started();
    struct Case {
        const char* key;
        bool enabled;
        std::optional<std::string> variant;
        std::optional<json> payload;
    };
    const std::vector<Case> cases{
        {"multi", true, "blue", json{{"size", 2}}},
        {"on", true, std::nullopt, json("not json")},
        {"off", false, std::nullopt, std::nullopt},
        {"odd", false, std::nullopt, json{1, 2}},
        {"text", true, "x", json(7)},
    };
    for (const auto& c : cases) {
        const auto result = remote->getFeatureFlagResult(c.key);
        ASSERT_TRUE(result) << c.key;
        EXPECT_EQ(result->enabled(), c.enabled) << c.key;
        EXPECT_EQ(result->variant(), c.variant) << c.key;
        EXPECT_EQ(result->payload(), c.payload) << c.key;
    }
    EXPECT_FALSE(remote->getFeatureFlagResult("missing"));
}

TEST_F(RemoteConfigTest, TheRemoteConfigurationDecidesWhetherFlagsAreLoaded) {
    config->disableRemoteConfigForTesting = false;
    struct Case {
        const char* what;
        std::optional<json> document;
        bool requestsFlags;
        std::optional<json> heard;  // by the flag listeners before any flags request
    };
    const std::vector<Case> cases{
        {"has flags", json{{"hasFeatureFlags", true}}, true, std::nullopt},
        {"no mention counts as having flags", json::object(), true, std::nullopt},
        {"a mention that is no Boolean counts as having flags", json{{"hasFeatureFlags", "no"}}, true, std::nullopt},
        {"no flags: cleared, listeners told so", json{{"hasFeatureFlags", false}}, false, json::object()},
        {"no document: listeners told nothing came", std::nullopt, false, std::nullopt},
    };
    for (const auto& c : cases) {
        platform::TemporaryDirectory folder;
        storage = std::make_shared<ZeraZovStorage>(folder.path(), testProjectToken);
        storage->setJSON(Key::enabledFeatureFlags, json{{"cached", true}});
        FakeFlagsServer fresh;
        auto remote = std::make_shared<ZeraZovRemoteConfig>(
            config, storage, fresh.requests(), ZeraZovRemoteConfig::Notifier{queue, center}, nullptr, nullptr);
        remote->start();
        ASSERT_TRUE(fresh.waitForConfigRequest()) << c.what;
        EXPECT_TRUE(remote->isLoadingRemoteConfig()) << c.what;
        fresh.answerConfig(c.document);
        EXPECT_FALSE(remote->isLoadingRemoteConfig()) << c.what;
        EXPECT_TRUE(remote->remoteConfigDidFetch()) << c.what;
        if (c.requestsFlags) {
            EXPECT_TRUE(fresh.waitForFlagsRequests(1)) << c.what;
            fresh.answerFlags(0, std::nullopt);
            continue;
        }
        EXPECT_EQ(heardFlags(*remote), (std::vector<std::optional<json>>{c.heard})) << c.what;
        EXPECT_EQ(fresh.flagsRequestCount(), 0u) << c.what;
        EXPECT_EQ(remote->cachedFeatureFlags(), (c.heard ? json::object() : json{{"cached", true}})) << c.what;
    }
}

// A closing client stops its remote configuration; answers still under way are
// stored and reach their callbacks, but nothing more goes to the main queue,
// which may be gone with the client.
TEST_F(RemoteConfigTest, AnswersAfterStopLeaveTheMainQueueAlone) {
    config->disableRemoteConfigForTesting = false;
    auto remote = started();
    ASSERT_TRUE(server.waitForConfigRequest());
    remote->stop();
    server.answerConfig(json{{"hasFeatureFlags", true}});
    EXPECT_TRUE(remote->remoteConfigDidFetch());
    ASSERT_TRUE(server.waitForFlagsRequests(1));
    FlagsAnswers answers;
    remote->loadFeatureFlags(answers.callback());
    server.answerFlags(0, json{{"featureFlags", {{"late", true}}}, {"featureFlagPayloads", json::object()}});
    ASSERT_TRUE(server.waitForFlagsRequests(2));
    server.answerFlags(1, json{{"featureFlags", {{"later", true}}}, {"featureFlagPayloads", json::object()}});
    ASSERT_TRUE(answers.waitFor(1));
    EXPECT_EQ(answers.received()[0], (json{{"later", true}}));
    EXPECT_EQ(queue.pendingCount(), 0u);
}

TEST_F(RemoteConfigTest, ARemoteConfigurationRequestThatCannotBeBuiltSaysSo) {
    config->disableRemoteConfigForTesting = false;
    server.canBuildConfigRequest = false;
    platform::LogCapture logs;
    std::optional<tessivar::testing::DebugLogSwitch> debug{std::in_place};
    auto remote = started();
    ASSERT_TRUE(server.waitForConfigRequest());
    const auto expected = "[ZeraZov] Remote config stays loading: no request could be built, so no answer will come";
    tessivar::testing::waitUntil([&] { return logs.contains(expected); }, std::chrono::seconds(10),
                                 std::chrono::milliseconds(2));
    debug.reset();
    EXPECT_TRUE(logs.contains(expected));
    EXPECT_TRUE(remote->isLoadingRemoteConfig());
}

TEST_F(RemoteConfigTest, ARecordingLinkedToAFlagRunsWhenTheFlagSaysSo) {
    const json flags{{"rec", true}, {"off", false}, {"multi", "b"}};
    struct Case {
        json replay;
        bool active;
        std::optional<std::string> flagRead;
    };
    const std::vector<Case> cases{
        {json::object(), true, std::nullopt},
        {{{"linkedFlag", 5}}, true, std::nullopt},
        {{{"linkedFlag", "rec"}}, true, "rec"},
        {{{"linkedFlag", "off"}}, false, "off"},
        {{{"linkedFlag", "multi"}}, true, "multi"},
        {{{"linkedFlag", "missing"}}, false, std::nullopt},
        {{{"linkedFlag", {{"flag", "multi"}, {"variant", "b"}}}}, true, "multi"},
        {{{"linkedFlag", {{"flag", "multi"}, {"variant", "c"}}}}, false, "multi"},
        {{{"linkedFlag", {{"flag", "rec"}, {"variant", "b"}}}}, false, "rec"},
        {{{"linkedFlag", {{"flag", "multi"}}}}, false, std::nullopt},
    };
    for (const auto& c : cases) {
        const auto decision = ZeraZovRemoteConfig::isRecordingActive(flags, c.replay);
        EXPECT_EQ(decision.active, c.active) << c.replay;
        EXPECT_EQ(decision.flagRead ? std::optional(decision.flagRead->first) : std::nullopt, c.flagRead) << c.replay;
    }
}

TEST_F(RemoteConfigTest, TheFlagReadForARecordingIsReportedOutsideTheLocks) {
    storage->setJSON(Key::enabledFeatureFlags, json{{"rec", "variant-a"}});
    storage->setJSON(Key::sessionReplay, json{{"linkedFlag", "rec"}, {"endpoint", "/replay/"}});
    std::shared_ptr<ZeraZovRemoteConfig> remote;
    std::vector<std::string> reported;
    // Reporting captures an event, and capturing reads the flags again.
    remote = make({}, [&](const std::string& key, const json& value) {
        reported.push_back(key + "=" + value.dump() +
                           " active=" + std::to_string(remote->getFeatureFlagResult(key)->enabled()));
    });
    remote->start();
    EXPECT_EQ(reported, (std::vector<std::string>{"rec=\"variant-a\" active=1"}));
    EXPECT_TRUE(remote->isSessionReplayFlagActive());
    EXPECT_EQ(config->snapshotEndpoint.get(), "/replay/");
}

TEST_F(RemoteConfigTest, ResetForgetsFlagsPropertiesAndReplayState) {
    storage->setJSON(Key::requestId, json("req-1"));
    storage->setJSON(Key::evaluatedAt, json(1700000000));
    storage->setJSON(Key::sessionReplay, json{{"linkedFlag", "rec"}});
    storage->setJSON(Key::enabledFeatureFlags, json{{"rec", true}});
    storage->setJSON(Key::personPropertiesForFlags, json{{"plan", "pro"}});
    auto remote = started();
    remote->setGroupPropertiesForFlags("company", {{"size", 10}});
    ASSERT_EQ(remote->requestId(), "req-1");
    ASSERT_EQ(remote->evaluatedAt(), 1700000000);
    ASSERT_TRUE(remote->isSessionReplayFlagActive());

    remote->reset();
    const auto folder = storage->appFolderUrl();
    EXPECT_FALSE(std::filesystem::exists(folder / "zerazov.requestId"));
    EXPECT_FALSE(std::filesystem::exists(folder / "zerazov.evaluatedAt"));
    EXPECT_FALSE(std::filesystem::exists(folder / "zerazov.sessionReplay"));
    for (const auto key : {Key::enabledFeatureFlags, Key::enabledFeatureFlagPayloads, Key::flags,
                           Key::personPropertiesForFlags, Key::groupPropertiesForFlags}) {
        EXPECT_EQ(storage->getJSON(key), json::object()) << ZeraZovStorage::caseName(key);
    }
    EXPECT_FALSE(remote->requestId());
    EXPECT_FALSE(remote->isSessionReplayFlagActive());
    EXPECT_EQ(remote->recordingSampleRate(), std::nullopt);
    EXPECT_EQ(remote->recordingMinimumDuration(), std::nullopt);
    EXPECT_EQ(remote->personPropertiesForFlags(), json::object());
}

}  // namespace
}  // namespace zerazov::testing
