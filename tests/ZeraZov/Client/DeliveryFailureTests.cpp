#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "ClientHarness.h"
#include "ZeraZov/Core/ZeraZovStorage.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// A server that fails in any of these ways leaves the events queued for a later
// flush and says why in the client's log.
TEST(DeliveryFailures, AFailedUploadKeepsTheEventsQueued) {
    struct Case {
        const char* what;
        std::function<void(LoopbackServer&)> misbehave;
        bool refuseConnections;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"a server error",
         [](LoopbackServer& server) {
             server.answer([](const httplib::Request&, httplib::Response& response) {
                 response.status = 500;
                 response.set_content("<html>down</html>", "text/html");
             });
         },
         false, "Error sending to batch API: status: 500"},
        {"a server that never answers", [](LoopbackServer& server) { server.holdAnswers(); }, false,
         "Error calling the batch API: "},
        {"no server at all", [](LoopbackServer&) {}, true, "Error calling the batch API: "},
    };
    for (const auto& c : cases) {
        ClientHarness h;
        c.misbehave(h.server);
        auto config = h.config();
        if (c.refuseConnections) config = std::make_shared<ZeraZovConfig>(testProjectToken, "http://127.0.0.1:9");
        config->disableRemoteConfigForTesting = true;
        config->disableQueueTimerForTesting = true;
        config->disableReachabilityForTesting = true;
        config->debug = true;
        config->urlSessionConfiguration.set(ZeraZovSessionConfiguration{{}, 300ms, std::nullopt});
        auto client = h.client(config);
        client->capture("jump_triggered", json{{"trigger", "hotkey"}});
        client->flush();
        EXPECT_TRUE(client->waitForUploads(5s)) << c.what;
        EXPECT_TRUE(h.waitForLogStartingWith(c.logged)) << c.what;
        ASSERT_EQ(h.queuedEvents().size(), 1u) << c.what;
        EXPECT_EQ(h.queuedEvents()[0].event, "jump_triggered") << c.what;
        h.server.release();
        client->close();
    }
}

TEST(DeliveryFailures, FlagAnswersThatMakeNoSenseLeaveTheCachedFlags) {
    struct Case {
        const char* what;
        std::string body;
        const char* logged;
    };
    const std::vector<Case> cases{
        {"not JSON", "<html>", "Error: Flags response data is nil"},
        {"not an object", "[1, 2]", "Error: Flags response data is nil"},
        {"flags of the wrong type", R"({"featureFlags": "yes", "featureFlagPayloads": {}})",
         "Error: Flags response missing correct featureFlags format"},
        {"payloads of the wrong type", R"({"featureFlags": {"a": false}, "featureFlagPayloads": 3})",
         "Error: Flags response missing correct featureFlags format"},
    };
    for (const auto& c : cases) {
        ClientHarness h;
        ZeraZovStorage(h.folder.path(), testProjectToken)
            .setJSON(ZeraZovStorage::StorageKey::enabledFeatureFlags, json{{"a", true}});
        h.server.answer([&](const httplib::Request&, httplib::Response& response) {
            response.set_content(c.body, "application/json");
        });
        auto client = h.client();
        std::promise<void> loaded;
        client->reloadFeatureFlags([&] { loaded.set_value(); });
        ASSERT_EQ(loaded.get_future().wait_for(5s), std::future_status::ready) << c.what;
        EXPECT_TRUE(h.waitForLogStartingWith(c.logged)) << c.what;
        EXPECT_TRUE(client->isFeatureEnabled("a", false)) << c.what;
        client->close();
    }
}

TEST(DeliveryFailures, AQueueFolderThatCannotBeWrittenDropsTheEventWithAClearLine) {
    ClientHarness h;
    auto client = h.client();
    // Tests may run as root, whom permissions do not stop: a file where the folder
    // was fails every write the same way.
    std::filesystem::remove_all(h.queueFolder());
    std::ofstream(h.queueFolder()) << "not a folder";
    client->capture("jump_triggered", json{{"trigger", "hotkey"}});
    client->capture("jump_triggered", json{{"trigger", "menu"}});
    EXPECT_TRUE(h.waitForLogStartingWith("Could not write file"));
    client->flush();
    EXPECT_TRUE(client->waitForUploads(5s));
    EXPECT_TRUE(h.uploadedEvents().empty());
    client->close();
}

}  // namespace
}  // namespace zerazov::testing
