#include <curl/curl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <future>
#include <stdexcept>
#include <thread>

#include "ApiTestSupport.h"
#include "LoopbackServer.h"
#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovHttpTransfer.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using testing::CompletionRecorder;
using testing::JSONOutcome;
using testing::LoopbackServer;

// A socket bound to a port of the kernel's choice on 127.0.0.1; the port, or -1.
int bindLoopbackPort(int fd) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                       getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    return bound ? ntohs(address.sin_port) : -1;
}

// A port on 127.0.0.1 that nothing listens on: bound once, then closed.
int closedLoopbackPort() {
    const platform::UniqueFd fd(socket(AF_INET, SOCK_STREAM, 0));
    if (!fd.valid()) throw std::runtime_error("no socket");
    const int port = bindLoopbackPort(fd.get());
    if (port < 0) throw std::runtime_error("no loopback port");
    return port;
}

// A port whose connections the kernel completes but nobody ever answers.
class SilentLoopbackPort {
public:
    SilentLoopbackPort() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        port_ = fd_.valid() ? bindLoopbackPort(fd_.get()) : -1;
        if (port_ < 0 || listen(fd_.get(), 8) != 0) throw std::runtime_error("no listening loopback port");
    }

    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_); }

private:
    platform::UniqueFd fd_;
    int port_ = -1;
};

ZeraZovUploadInfo uploadBatch(const std::string& host, const ZeraZovSessionConfiguration& session = {}) {
    CompletionRecorder<ZeraZovUploadInfo> recorder;
    {
        ZeraZovApi api(testing::configFor(host, session));
        api.batch({testing::sampleEvent("$screen")}, testing::recordingInto(recorder));
        EXPECT_TRUE(recorder.waitForFirst()) << "no completion";
    }
    const auto values = recorder.values();
    EXPECT_EQ(values.size(), 1U) << "completions";
    return values.empty() ? ZeraZovUploadInfo{} : values.front();
}

ZeraZovSessionConfiguration trustingTheTestCertificate() {
    ZeraZovSessionConfiguration session;
    session.caFile = LoopbackServer::certificatePath();
    return session;
}

class ZeraZovApiStatus : public ::testing::TestWithParam<int> {};

TEST_P(ZeraZovApiStatus, EveryStatusClassIsReportedAsTheStatusWithoutError) {
    LoopbackServer server;
    server.answer([](const httplib::Request&, httplib::Response& response) {
        response.status = GetParam();
        response.set_content(R"({"detail":"x"})", "application/json");
    });

    const auto info = uploadBatch(server.url());

    EXPECT_EQ(info.statusCode, GetParam());
    EXPECT_FALSE(info.error);
}

INSTANTIATE_TEST_SUITE_P(Classes, ZeraZovApiStatus, ::testing::Values(200, 204, 299, 400, 401, 413, 500, 503));

TEST(ZeraZovApiOutcome, RedirectIsReportedAndNotFollowed) {
    LoopbackServer server;
    server.answer([](const httplib::Request& request, httplib::Response& response) {
        if (request.path == "/batch") response.set_redirect("/elsewhere", 307);
    });

    const auto info = uploadBatch(server.url());

    EXPECT_EQ(info.statusCode, 307);
    ASSERT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(server.requests().front().path, "/batch");
}

TEST(ZeraZovApiOutcome, ClosedPortIsATransportError) {
    const auto info = uploadBatch("http://127.0.0.1:" + std::to_string(closedLoopbackPort()));

    EXPECT_FALSE(info.statusCode);
    EXPECT_EQ(testing::transportErrorCode(info.error), CURLE_COULDNT_CONNECT);
}

TEST(ZeraZovApiOutcome, OtherSchemesAreRefusedBeforeAnyConnection) {
    LoopbackServer server;
    for (const std::string& host : {"ftp://127.0.0.1:" + std::to_string(server.port()), std::string("file:///etc")}) {
        const auto info = uploadBatch(host);
        EXPECT_FALSE(info.statusCode) << host;
        EXPECT_EQ(testing::transportErrorCode(info.error), CURLE_UNSUPPORTED_PROTOCOL) << host;
    }
    EXPECT_TRUE(server.requests().empty());
}

TEST(ZeraZovApiOutcome, HttpsWithTheTrustedCertificateSucceeds) {
    LoopbackServer server(LoopbackServer::Scheme::https);

    const auto info = uploadBatch(server.url(), trustingTheTestCertificate());

    EXPECT_EQ(info.statusCode, 200);
    ASSERT_EQ(server.requests().size(), 1U);
    EXPECT_EQ(server.requests().front().path, "/batch");
}

TEST(ZeraZovApiOutcome, HttpsWithoutTrustInTheCertificateFailsVerification) {
    LoopbackServer server(LoopbackServer::Scheme::https);

    const auto info = uploadBatch(server.url());

    EXPECT_FALSE(info.statusCode);
    EXPECT_EQ(testing::transportErrorCode(info.error), CURLE_PEER_FAILED_VERIFICATION);
    EXPECT_TRUE(server.requests().empty());
}

TEST(ZeraZovApiOutcome, BodyThatCannotBeWrittenAsJSONIsNotSent) {
    LoopbackServer server;
    auto event = testing::sampleEvent("broken");
    event.properties["name"] = std::string("\xff\xfe");  // not UTF-8

    CompletionRecorder<ZeraZovUploadInfo> recorder;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        api.batch({event}, testing::recordingInto(recorder));
        api.snapshot({event}, testing::recordingInto(recorder));
    }

    ASSERT_EQ(recorder.values().size(), 2U);
    for (const auto& info : recorder.values()) EXPECT_TRUE(!info.statusCode && !info.error);
    EXPECT_TRUE(server.requests().empty());
}

TEST(ZeraZovApiOutcome, FlagsErrorsSayWhichLayerFailed) {
    LoopbackServer server;
    server.answer([](const httplib::Request& request, httplib::Response& response) {
        const auto distinctId = nlohmann::json::parse(request.body)["distinct_id"].get<std::string>();
        if (distinctId == "status") response.status = 500;
        if (distinctId == "status") return response.set_content(R"({"error":"down"})", "application/json");
        if (distinctId == "garbage") return response.set_content("not json", "text/plain");
        response.set_content("[1,2]", "application/json");
    });
    CompletionRecorder<JSONOutcome> status, garbage, array;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        const auto ask = [&api](const char* id, CompletionRecorder<JSONOutcome>& recorder) {
            api.flags(id, std::nullopt, std::nullopt, {}, nlohmann::json::object(), std::nullopt,
                      testing::recordingInto(recorder));
        };
        ask("status", status);
        ask("garbage", garbage);
        ask("array", array);
        ASSERT_TRUE(status.waitForFirst() && garbage.waitForFirst() && array.waitForFirst());
    }

    const auto failed = status.values().front();
    EXPECT_FALSE(failed.object);
    ASSERT_TRUE(failed.error);
    const auto* internal = std::get_if<InternalZeraZovError>(&*failed.error);
    ASSERT_NE(internal, nullptr);
    EXPECT_EQ(internal->description.rfind(R"(Error calling flags API: status: 500, body: {"error":"down"}. ()", 0), 0U)
        << internal->description;

    ASSERT_TRUE(garbage.values().front().error);
    EXPECT_NE(std::get_if<ZeraZovParseError>(&*garbage.values().front().error), nullptr);

    EXPECT_FALSE(array.values().front().object);  // valid JSON, but not an object
    EXPECT_FALSE(array.values().front().error);
}

TEST(ZeraZovApiOutcome, GzipEncodedAnswersAreDecodedBeforeParsing) {
    LoopbackServer server;
    server.answer([](const httplib::Request&, httplib::Response& response) {
        const auto member = std::get<std::string>(Gzip::gzipped(R"({"featureFlags":{"a":true}})"));
        response.set_header("Content-Encoding", "gzip");
        // A type the server would not compress again on its own.
        response.set_content(member, "application/octet-stream");
    });
    CompletionRecorder<JSONOutcome> recorder;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        api.remoteConfig(testing::recordingInto(recorder));
        ASSERT_TRUE(recorder.waitForFirst());
    }
    EXPECT_EQ(recorder.values().front().object, (nlohmann::json{{"featureFlags", {{"a", true}}}}));
}

TEST(ZeraZovApiOutcome, OversizedAnswerFailsAJSONRequestButAnUploadKeepsItsStatus) {
    LoopbackServer server;
    server.answer([](const httplib::Request&, httplib::Response& response) {
        response.status = 200;
        response.set_content(std::string(ZeraZovHttpTransfer::maxResponseBytes + 1, 'x'), "application/octet-stream");
    });

    // The server took the batch; reading it as a failure would send it again.
    const auto info = uploadBatch(server.url());
    EXPECT_EQ(info.statusCode, 200);
    EXPECT_FALSE(info.error);

    CompletionRecorder<JSONOutcome> recorder;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        api.remoteConfig(testing::recordingInto(recorder));
        ASSERT_TRUE(recorder.waitForFirst());
    }
    EXPECT_FALSE(recorder.values().front().object);
    EXPECT_EQ(testing::transportErrorCode(recorder.values().front().error), CURLE_WRITE_ERROR);
}

// Answers `status` with a 300 MB body whose part past the bound is held back until
// `released` is ready: a client that waited for all of it would see no answer at all.
void answerEndlessly(LoopbackServer& server, int status, std::shared_future<void> released) {
    server.answer([status, released](const httplib::Request&, httplib::Response& response) {
        response.status = status;
        response.set_content_provider(std::size_t{300} << 20, "application/octet-stream",
                                      [released](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          if (offset > ZeraZovHttpTransfer::maxResponseBytes) {
                                              released.wait_for(std::chrono::seconds(30));
                                              return false;
                                          }
                                          static const std::string chunk(64 * 1024, 'x');
                                          return sink.write(chunk.data(), std::min(length, chunk.size()));
                                      });
    });
}

class ZeraZovApiLongAnswer : public ::testing::TestWithParam<int> {};

// The status decides what becomes of the batch (a 2xx removes it), so an answer
// is read as far as the bound and no further, whatever its length.
TEST_P(ZeraZovApiLongAnswer, AnUploadHasItsStatusOnceTheBoundIsRead) {
    LoopbackServer server;
    // Gone before the server, which then ends the held answer.
    std::promise<void> testEnds;
    answerEndlessly(server, GetParam(), testEnds.get_future().share());
    ZeraZovSessionConfiguration session;
    session.timeout = std::chrono::seconds(1);

    const auto info = uploadBatch(server.url(), session);
    EXPECT_EQ(info.statusCode, GetParam());
    EXPECT_FALSE(info.error) << "no answer: the batch would be sent again";
}

INSTANTIATE_TEST_SUITE_P(Statuses, ZeraZovApiLongAnswer, ::testing::Values(200, 503));

// The timeout waits for bytes, it does not bound the whole transfer.
class ZeraZovApiTimeout : public ::testing::Test {
protected:
    static constexpr auto timeout = std::chrono::seconds(1);

    static ZeraZovSessionConfiguration session() {
        ZeraZovSessionConfiguration configuration;
        configuration.timeout = timeout;
        return configuration;
    }

    static std::chrono::steady_clock::duration elapsedSince(std::chrono::steady_clock::time_point started) {
        return std::chrono::steady_clock::now() - started;
    }
};

TEST_F(ZeraZovApiTimeout, AnswerTrickledOverLongerThanTheTimeoutSucceeds) {
    LoopbackServer server;
    server.answer([](const httplib::Request&, httplib::Response& response) {
        // A type the server does not compress: compressing would hold the bytes back.
        response.set_chunked_content_provider("application/octet-stream", [](std::size_t, httplib::DataSink& sink) {
            sink.write("{", 1);
            // Three seconds in all, never a second without a byte.
            for (int i = 0; i < 12; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(250));
                sink.write(" ", 1);
            }
            const std::string rest = R"("featureFlags":{"slow":true}})";
            sink.write(rest.data(), rest.size());
            sink.done();
            return true;
        });
    });
    CompletionRecorder<JSONOutcome> recorder;
    const auto started = std::chrono::steady_clock::now();
    {
        ZeraZovApi api(testing::configFor(server.url(), session()));
        api.flags("user", std::nullopt, std::nullopt, {}, nlohmann::json::object(), std::nullopt,
                  testing::recordingInto(recorder));
        ASSERT_TRUE(recorder.waitForFirst());
    }

    EXPECT_GT(elapsedSince(started), 2 * timeout);
    const auto outcome = recorder.values().front();
    EXPECT_FALSE(outcome.error) << describe(*outcome.error);
    EXPECT_EQ(outcome.object, (nlohmann::json{{"featureFlags", {{"slow", true}}}}));
}

TEST_F(ZeraZovApiTimeout, SilentServerFailsOnceTheTimeoutPassed) {
    SilentLoopbackPort neverAccepting;
    LoopbackServer holding;
    holding.holdAnswers();
    for (const auto& host : {neverAccepting.url(), holding.url()}) {
        const auto started = std::chrono::steady_clock::now();

        const auto info = uploadBatch(host, session());

        EXPECT_FALSE(info.statusCode) << host;
        EXPECT_EQ(testing::transportErrorCode(info.error), CURLE_OPERATION_TIMEDOUT) << host;
        EXPECT_GE(elapsedSince(started), timeout) << host;
    }
}

// No test waits for the real default: that a request ends at its timeout at all
// is shown above, here only which timeout a zero or negative setting gives.
TEST(ZeraZovApiOutcome, ZeroOrNegativeTimeoutMeansTheDefaultNotForever) {
    for (const auto setting : {std::chrono::milliseconds(0), std::chrono::milliseconds(-5)}) {
        ZeraZovSessionConfiguration session;
        session.timeout = setting;
        const ZeraZovApi api(testing::configFor("http://127.0.0.1:9", session));

        EXPECT_EQ(api.defaultTimeout(), ZeraZovSessionConfiguration::defaultTimeout);
        const auto request = api.getRemoteConfigRequest();
        ASSERT_TRUE(request);
        EXPECT_EQ(request->timeout, ZeraZovSessionConfiguration::defaultTimeout);
    }
}

TEST(ZeraZovApiLifetime, RequestsInFlightCompleteOnceWhenTheClientGoesAway) {
    LoopbackServer server;
    server.holdAnswers();
    CompletionRecorder<ZeraZovUploadInfo> recorder;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        api.batch({testing::sampleEvent("a")}, testing::recordingInto(recorder));
        api.logs("{}", testing::recordingInto(recorder));
    }
    // Destruction already delivered both; nothing may arrive twice afterwards.
    const auto values = recorder.values();
    ASSERT_EQ(values.size(), 2U);
    for (const auto& info : values) {
        EXPECT_FALSE(info.statusCode);
        EXPECT_EQ(testing::transportErrorCode(info.error), CURLE_ABORTED_BY_CALLBACK);
    }
}

TEST(ZeraZovApiLifetime, CompletionMayDestroyTheClient) {
    LoopbackServer server;
    CompletionRecorder<ZeraZovUploadInfo> recorder;
    auto api = std::make_shared<ZeraZovApi>(testing::configFor(server.url()));
    std::weak_ptr<ZeraZovApi> watched = api;
    auto* raw = api.get();
    raw->batch({testing::sampleEvent("a")}, [&recorder, owner = std::move(api)](ZeraZovUploadInfo info) mutable {
        owner.reset();  // the last owner lets go on the worker thread
        recorder.record(std::move(info));
    });
    ASSERT_TRUE(recorder.waitForFirst());
    EXPECT_EQ(recorder.values().front().statusCode, 200);
    EXPECT_TRUE(watched.expired());
}

TEST(ZeraZovApiLifetime, ThrowingCompletionLeavesTheWorkerRunning) {
    LoopbackServer server;
    CompletionRecorder<ZeraZovUploadInfo> recorder;
    ZeraZovApi api(testing::configFor(server.url()));
    CompletionRecorder<bool> thrown;
    api.batch({testing::sampleEvent("a")}, [&thrown](ZeraZovUploadInfo) {
        thrown.record(true);
        throw std::runtime_error("caller bug");
    });
    ASSERT_TRUE(thrown.waitForFirst());

    api.batch({testing::sampleEvent("b")}, testing::recordingInto(recorder));

    ASSERT_TRUE(recorder.waitForFirst());
    EXPECT_EQ(recorder.values().front().statusCode, 200);
}

TEST(ZeraZovApiConcurrency, CallsFromSeveralThreadsEachCompleteOnce) {
    constexpr int threads = 4;
    constexpr int callsPerThread = 10;
    LoopbackServer server;
    CompletionRecorder<ZeraZovUploadInfo> recorder;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        std::vector<std::thread> callers;
        for (int t = 0; t < threads; ++t) {
            callers.emplace_back([&api, &recorder] {
                for (int i = 0; i < callsPerThread; ++i) {
                    api.batch({testing::sampleEvent("e")}, testing::recordingInto(recorder));
                }
            });
        }
        for (auto& caller : callers) caller.join();
        EXPECT_TRUE(recorder.waitForCount(threads * callsPerThread));
    }
    const auto values = recorder.values();
    EXPECT_EQ(values.size(), static_cast<std::size_t>(threads * callsPerThread));
    for (const auto& info : values) EXPECT_EQ(info.statusCode, 200) << (info.error ? describe(*info.error) : "");
    EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(threads * callsPerThread));
}

class ZeraZovApiDebugLog : public ::testing::Test {
protected:
    platform::LogCapture log_;
    tessivar::testing::DebugLogSwitch debugLog_;
};

TEST_F(ZeraZovApiDebugLog, OutcomesAreLoggedWithTheRequestsName) {
    LoopbackServer server;
    server.answer([](const httplib::Request& request, httplib::Response& response) {
        if (request.path != "/batch") return;
        response.status = 400;
        response.set_content(R"({"type":"validation_error"})", "application/json");
    });
    CompletionRecorder<ZeraZovUploadInfo> uploads;
    CompletionRecorder<JSONOutcome> flags;
    {
        ZeraZovApi api(testing::configFor(server.url()));
        api.batch({testing::sampleEvent("a")}, testing::recordingInto(uploads));
        api.snapshot({testing::sampleEvent("$snapshot")}, testing::recordingInto(uploads));
        api.flags("user", std::nullopt, std::nullopt, {}, nlohmann::json::object(), std::nullopt,
                  testing::recordingInto(flags));
        ASSERT_TRUE(uploads.waitForCount(2) && flags.waitForFirst());
    }
    {
        ZeraZovApi unreachable(testing::configFor("http://127.0.0.1:" + std::to_string(closedLoopbackPort())));
        unreachable.logs("{}", testing::recordingInto(uploads));
        ASSERT_TRUE(uploads.waitForCount(3));
    }
    EXPECT_TRUE(
        log_.contains(R"([ZeraZov] Error sending to batch API: status: 400, body: {"type":"validation_error"}.)"));
    EXPECT_TRUE(log_.contains("[ZeraZov] snapshot sent successfully."));
    EXPECT_TRUE(log_.contains("[ZeraZov] Flags called successfully."));
    bool loggedTransportError = false;
    for (const auto& line : log_.lines()) {
        loggedTransportError = loggedTransportError || line.rfind("[ZeraZov] Error calling the logs API: ", 0) == 0;
    }
    EXPECT_TRUE(loggedTransportError);
}

TEST_F(ZeraZovApiDebugLog, MalformedHostSendsNothingAndSaysWhy) {
    CompletionRecorder<ZeraZovUploadInfo> uploads;
    CompletionRecorder<JSONOutcome> flags;
    CompletionRecorder<JSONOutcome> remoteConfig;
    {
        ZeraZovApi api(testing::configFor("http://[::1"));
        api.batch({}, testing::recordingInto(uploads));
        api.snapshot({}, testing::recordingInto(uploads));
        api.flags("user", std::nullopt, std::nullopt, {}, nlohmann::json::object(), std::nullopt,
                  testing::recordingInto(flags));
        api.remoteConfig(testing::recordingInto(remoteConfig));
        EXPECT_FALSE(api.getRemoteConfigRequest());
    }

    ASSERT_EQ(uploads.values().size(), 2U);
    for (const auto& info : uploads.values()) EXPECT_TRUE(!info.statusCode && !info.error);
    ASSERT_EQ(flags.values().size(), 1U);
    EXPECT_TRUE(!flags.values().front().object && !flags.values().front().error);
    EXPECT_TRUE(remoteConfig.values().empty());
    EXPECT_TRUE(log_.contains("[ZeraZov] Malformed batch URL error."));
    EXPECT_TRUE(log_.contains("[ZeraZov] Malformed snapshot URL error."));
    EXPECT_TRUE(log_.contains("[ZeraZov] Malformed flags URL error."));
    EXPECT_TRUE(log_.contains("[ZeraZov] Error calling the remote config API: unable to create request"));
}

}  // namespace
}  // namespace zerazov
