#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <atomic>
#include <fstream>
#include <future>
#include <stdexcept>
#include <thread>

#include "ClientHarness.h"
#include "Platform/Foundation/UniqueFd.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace zerazov::testing {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;

// A listener on 127.0.0.1 that is no HTTP server: it answers every connection with
// the given bytes, or with none, and closes it.
class RudeServer {
public:
    explicit RudeServer(std::string reply) : reply_(std::move(reply)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        const bool listening = fd_.valid() &&
                               ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                               ::listen(fd_.get(), 8) == 0 &&
                               ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&address), &length) == 0;
        if (!listening) throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~RudeServer() {
        stopping_ = true;
        thread_.join();
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    void serve() {
        while (!stopping_) {
            pollfd waiting{fd_.get(), POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0) continue;
            const platform::UniqueFd connection(::accept(fd_.get(), nullptr, nullptr));
            if (!connection.valid()) continue;
            char request[4096];
            pollfd readable{connection.get(), POLLIN, 0};
            if (::poll(&readable, 1, 200) > 0) (void)::recv(connection.get(), request, sizeof request, 0);
            if (!reply_.empty()) (void)::send(connection.get(), reply_.data(), reply_.size(), MSG_NOSIGNAL);
        }
    }

    std::string reply_;
    platform::UniqueFd fd_{::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// A server that fails in any of these ways leaves the events queued for a later
// flush and says why in the client's log.
TEST(DeliveryFailures, AFailedUploadKeepsTheEventsQueued) {
    struct Case {
        const char* what;
        std::function<void(LoopbackServer&)> misbehave;
        std::optional<std::string> rudeReply;  // no HTTP server at all, but this
        const char* logged;
        bool nothingListens = false;
    };
    const auto none = [](LoopbackServer&) {};
    const std::vector<Case> cases{
        {"a server error",
         [](LoopbackServer& server) {
             server.answer([](const httplib::Request&, httplib::Response& response) {
                 response.status = 500;
                 response.set_content("<html>down</html>", "text/html");
             });
         },
         std::nullopt, "Error sending to batch API: status: 500"},
        {"a server that never answers", [](LoopbackServer& server) { server.holdAnswers(); }, std::nullopt,
         "Error calling the batch API: "},
        {"garbage instead of an answer", none, "garbage\r\n\r\n", "Error calling the batch API: "},
        {"the connection closed without an answer", none, "", "Error calling the batch API: "},
        {"nothing listening", none, std::nullopt, "Error calling the batch API: ", true},
    };
    for (const auto& c : cases) {
        ClientHarness h;
        c.misbehave(h.server);
        std::unique_ptr<RudeServer> rude;
        if (c.rudeReply) rude = std::make_unique<RudeServer>(*c.rudeReply);
        const auto host = c.nothingListens ? std::string("http://127.0.0.1:9") : rude ? rude->url() : h.server.url();
        auto config = h.config(testProjectToken, host);
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
    // Tests may run as root, whom permissions do not stop: files where the folder
    // was and where the one kept beside it would go fail every write the same way.
    std::filesystem::remove_all(h.queueFolder());
    std::ofstream(h.queueFolder()) << "not a folder";
    std::ofstream(h.queueFolder().string() + ".aside") << "not a folder";
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
