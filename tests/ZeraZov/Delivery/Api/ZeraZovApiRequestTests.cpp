#include <gtest/gtest.h>

#include "ApiTestSupport.h"
#include "LoopbackServer.h"
#include "Platform/Testing/ManualClock.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Events/ZeraZovLibraryInfo.h"

namespace zerazov {
namespace {

using testing::CompletionRecorder;
using testing::JSONOutcome;
using testing::LoopbackServer;
using testing::RecordedRequest;

std::string expectedUserAgent() { return ZeraZovLibraryInfo::name() + "/" + ZeraZovLibraryInfo::version; }

nlohmann::json jsonBody(const RecordedRequest& request) { return nlohmann::json::parse(request.body); }

std::vector<std::string> keysOf(const nlohmann::json& object) {
    std::vector<std::string> keys;
    for (const auto& [key, value] : object.items()) keys.push_back(key);
    return keys;
}

// Every request the client sends carries these, whatever its kind.
void expectSessionHeaders(const RecordedRequest& request) {
    EXPECT_EQ(request.header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(request.header("User-Agent"), expectedUserAgent());
    EXPECT_EQ(request.header("Accept-Encoding"), "gzip");
}

// The three uploads share everything but path, query and body.
void expectGzipUpload(const RecordedRequest& request, const std::string& path) {
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, path);
    expectSessionHeaders(request);
    EXPECT_EQ(request.header("Content-Encoding"), "gzip");
}

class ZeraZovApiRequests : public ::testing::Test {
protected:
    // Runs one upload against the server and answers what the server saw.
    template <typename Call>
    RecordedRequest sentBy(Call call) {
        CompletionRecorder<ZeraZovUploadInfo> recorder;
        {
            ZeraZovApi api(config_, clock_);
            call(api, testing::recordingInto(recorder));
            const auto info = recorder.waitForFirst();
            EXPECT_TRUE(info && info->statusCode == 200 && !info->error);
        }
        const auto requests = server_.requests();
        EXPECT_EQ(requests.size(), 1U);
        return requests.empty() ? RecordedRequest{} : requests.front();
    }

    void useHost(const std::string& host) { config_ = testing::configFor(host); }

    LoopbackServer server_;
    platform::ManualClock clock_{platform::Clock::WallTime(std::chrono::milliseconds(1714564800123))};
    std::shared_ptr<const ZeraZovConfig> config_ = testing::configFor(server_.url());
};

TEST_F(ZeraZovApiRequests, BatchPostsTheGzippedEnvelopeWithoutQuery) {
    useHost(server_.url() + "/?debug=1");
    const std::vector events{testing::sampleEvent("$screen"), testing::sampleEvent("signed_up")};

    const auto request = sentBy([&](ZeraZovApi& api, auto completion) { api.batch(events, std::move(completion)); });

    expectGzipUpload(request, "/batch");
    EXPECT_TRUE(request.query.empty());
    const auto body = jsonBody(request);
    EXPECT_EQ(keysOf(body), (std::vector<std::string>{"api_key", "batch", "sent_at"}));
    EXPECT_EQ(body["api_key"], testing::testToken);
    EXPECT_EQ(body["batch"], (nlohmann::json::array({events[0].toJSON(), events[1].toJSON()})));
    EXPECT_EQ(body["sent_at"], toISO8601String(clock_.now()));
}

TEST_F(ZeraZovApiRequests, CompressedBodyOnTheWireIsSmallerThanTheJSON) {
    std::vector<ZeraZovEvent> events(200, testing::sampleEvent("repeated"));

    const auto request = sentBy([&](ZeraZovApi& api, auto completion) { api.batch(events, std::move(completion)); });

    // The server inflates the body; the length on the wire is the compressed one.
    ASSERT_TRUE(request.hasHeader("Content-Length"));
    EXPECT_LT(std::stoul(request.header("Content-Length")) * 5, request.body.size());
    EXPECT_EQ(jsonBody(request)["batch"].size(), 200U);
}

TEST_F(ZeraZovApiRequests, SnapshotPostsABareArrayToTheConfiguredPathUnderTheHostPath) {
    useHost(server_.url() + "/proxy/?x=1");
    const std::vector events{testing::sampleEvent("$snapshot")};

    const auto request = sentBy([&](ZeraZovApi& api, auto completion) { api.snapshot(events, std::move(completion)); });

    expectGzipUpload(request, "/proxy/s/");
    EXPECT_TRUE(request.query.empty());
    EXPECT_EQ(jsonBody(request), nlohmann::json::array({events[0].toJSON()}));
}

TEST_F(ZeraZovApiRequests, SnapshotFollowsAReplacedEndpoint) {
    auto config = std::make_shared<ZeraZovConfig>(testing::testToken, server_.url());
    config->snapshotEndpoint.set("/replay/");
    config_ = config;

    const auto request = sentBy([&](ZeraZovApi& api, auto completion) {
        api.snapshot({testing::sampleEvent("$snapshot")}, std::move(completion));
    });

    EXPECT_EQ(request.path, "/replay/");
}

TEST_F(ZeraZovApiRequests, LogsPostTheGivenBytesWithTheTokenAsOnlyQuery) {
    config_ = testing::configFor(server_.url() + "?stale=1", "zzk a&b");
    const std::string payload = R"({"resourceLogs":[{"scopeLogs":[]}]})";

    const auto request = sentBy([&](ZeraZovApi& api, auto completion) { api.logs(payload, std::move(completion)); });

    expectGzipUpload(request, "/i/v1/logs");
    ASSERT_EQ(request.query.size(), 1U);
    EXPECT_EQ(request.query.begin()->first, "token");
    EXPECT_EQ(request.query.begin()->second, "zzk a&b");
    EXPECT_EQ(request.body, payload);
}

class ZeraZovApiJSONRequests : public ZeraZovApiRequests {
protected:
    template <typename Call>
    std::pair<RecordedRequest, JSONOutcome> exchange(Call call) {
        CompletionRecorder<JSONOutcome> recorder;
        {
            ZeraZovApi api(config_, clock_);
            call(api, testing::recordingInto(recorder));
            EXPECT_TRUE(recorder.waitForFirst());
        }
        const auto requests = server_.requests();
        EXPECT_EQ(requests.size(), 1U);
        const auto outcomes = recorder.values();
        EXPECT_EQ(outcomes.size(), 1U);
        if (requests.empty() || outcomes.empty()) return {};
        return {requests.front(), outcomes.front()};
    }
};

TEST_F(ZeraZovApiJSONRequests, FlagsForAnAnonymousUserSendExactlyTheFourKeysUncompressed) {
    server_.answer([](const httplib::Request&, httplib::Response& response) {
        response.set_content(R"({"flags":{"beta":true}})", "application/json");
    });

    const auto [request, outcome] = exchange([](ZeraZovApi& api, auto completion) {
        api.flags("user-1", std::nullopt, std::nullopt, {}, nlohmann::json::object(), std::nullopt,
                  std::move(completion));
    });

    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.path, "/flags");
    ASSERT_EQ(request.query.size(), 1U);
    EXPECT_EQ(request.query.begin()->first, "v");
    EXPECT_EQ(request.query.begin()->second, "2");
    expectSessionHeaders(request);
    EXPECT_FALSE(request.hasHeader("Content-Encoding"));
    const auto body = jsonBody(request);
    EXPECT_EQ(keysOf(body), (std::vector<std::string>{"api_key", "distinct_id", "groups", "timezone"}));
    EXPECT_EQ(body["api_key"], testing::testToken);
    EXPECT_EQ(body["distinct_id"], "user-1");
    EXPECT_EQ(body["groups"], nlohmann::json::object());
    EXPECT_FALSE(body["timezone"].get<std::string>().empty());
    EXPECT_EQ(outcome.object, (nlohmann::json{{"flags", {{"beta", true}}}}));
    EXPECT_FALSE(outcome.error);
}

TEST_F(ZeraZovApiJSONRequests, FlagsCarryEveryOptionalPartThatIsGiven) {
    auto config = std::make_shared<ZeraZovConfig>(testing::testToken, server_.url());
    config->evaluationContexts.set(std::vector<std::string>{"web", "checkout"});
    config_ = config;
    const nlohmann::json person{{"email", "a@example.com"}};
    const nlohmann::json groupProperties{{"company", {{"size", 10}}}};

    const auto [request, outcome] = exchange([&](ZeraZovApi& api, auto completion) {
        api.flags("user-1", std::string(), std::string("device-9"), {{"company", "acme"}}, person, groupProperties,
                  std::move(completion));
    });

    const auto body = jsonBody(request);
    EXPECT_EQ(body["$anon_distinct_id"], "");  // an empty id still counts as given
    EXPECT_EQ(body["$device_id"], "device-9");
    EXPECT_EQ(body["groups"], (nlohmann::json{{"company", "acme"}}));
    EXPECT_EQ(body["person_properties"], person);
    EXPECT_EQ(body["group_properties"], groupProperties);
    EXPECT_EQ(body["evaluation_contexts"], (nlohmann::json{"web", "checkout"}));
}

TEST_F(ZeraZovApiJSONRequests, RemoteConfigGetsTheTokensConfigFromAnOwnHost) {
    useHost(server_.url() + "/base");
    server_.answer([](const httplib::Request&, httplib::Response& response) {
        response.set_content(R"({"sessionRecording":false})", "application/json");
    });

    const auto [request, outcome] =
        exchange([](ZeraZovApi& api, auto completion) { api.remoteConfig(std::move(completion)); });

    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/base/array/zzk_test/config");
    EXPECT_TRUE(request.query.empty());
    expectSessionHeaders(request);
    EXPECT_TRUE(request.body.empty());
    EXPECT_EQ(outcome.object, (nlohmann::json{{"sessionRecording", false}}));
}

// Only the request is built here: default hosts are never contacted by tests.
TEST(ZeraZovApiRemoteConfigRequest, IngestionHostsMapToTheirAssetsHostsByExactText) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {std::string(ZeraZovApi::usIngestionHost), std::string(ZeraZovApi::usAssetsHost) + "/array/zzk_test/config"},
        {std::string(ZeraZovApi::euIngestionHost), std::string(ZeraZovApi::euAssetsHost) + "/array/zzk_test/config"},
        {"http://us.i.zerazov.example", "http://us.i.zerazov.example/array/zzk_test/config"},
        {"https://us.i.zerazov.example/proxy", "https://us.i.zerazov.example/proxy/array/zzk_test/config"},
        // A trailing "/" is another text: that host is asked itself.
        {std::string(ZeraZovApi::usIngestionHost) + "/",
         std::string(ZeraZovApi::usIngestionHost) + "/array/zzk_test/config"},
        {std::string(ZeraZovApi::euIngestionHost) + "/",
         std::string(ZeraZovApi::euIngestionHost) + "/array/zzk_test/config"},
    };
    for (const auto& [host, expected] : cases) {
        const ZeraZovApi api(testing::configFor(host));
        const auto request = api.getRemoteConfigRequest();
        ASSERT_TRUE(request) << host;
        EXPECT_EQ(request->url, expected);
        EXPECT_EQ(request->method, ZeraZovHttpRequest::Method::get);
        EXPECT_EQ(request->timeout, ZeraZovSessionConfiguration::defaultTimeout);
    }
}

TEST(ZeraZovApiSessionHeaders, ConfiguredHeadersStayUnlessTheClientSetsTheSameName) {
    ZeraZovSessionConfiguration session;
    session.additionalHeaders = {{"user-agent", "other/1"}, {"X-Trace", "abc"}, {"ACCEPT-ENCODING", "br"}};
    const ZeraZovApi api(testing::configFor("http://127.0.0.1:9", session));

    const std::vector<ZeraZovHttpRequest::Header> expected{{"X-Trace", "abc"},
                                                           {"Content-Type", "application/json; charset=utf-8"},
                                                           {"User-Agent", expectedUserAgent()},
                                                           {"Accept-Encoding", "gzip"}};
    EXPECT_EQ(api.sessionHeaders(), expected);
}

}  // namespace
}  // namespace zerazov
