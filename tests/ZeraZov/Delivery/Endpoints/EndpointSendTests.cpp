#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ApiTestSupport.h"
#include "LoopbackServer.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"
#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPLogs.h"

namespace zerazov {
namespace {

using testing::CompletionRecorder;
using testing::LoopbackServer;
using testing::RecordedRequest;
using json = nlohmann::json;

// Each test sends real batches through the HTTP client to a server of its own.
class EndpointSend : public ::testing::Test {
protected:
    // Sends one batch and answers what the server saw of it, after the completion
    // reported the server's status.
    template <typename Record>
    RecordedRequest sent(const QueueEndpoint<Record>& endpoint, std::vector<Record> batch) {
        CompletionRecorder<ZeraZovUploadInfo> recorder;
        endpoint.send(std::move(batch), testing::recordingInto(recorder));
        const auto info = recorder.waitForFirst();
        EXPECT_TRUE(info && info->statusCode == 200);
        const auto requests = server_.requests();
        return requests.empty() ? RecordedRequest{} : requests.back();
    }

    LoopbackServer server_;
    std::shared_ptr<ZeraZovConfig> config_ = std::make_shared<ZeraZovConfig>(testing::testToken, server_.url());
    std::shared_ptr<const ZeraZovApi> api_ = std::make_shared<ZeraZovApi>(config_);
};

TEST_F(EndpointSend, EventsGoOutAsOneBatchWithTheProjectToken) {
    const std::vector events{testing::sampleEvent("first"), testing::sampleEvent("second")};
    const auto request = sent(QueueEndpoints::events(api_), events);
    EXPECT_EQ(request.path, "/batch");
    const auto body = json::parse(request.body, nullptr, false);
    EXPECT_EQ(body.value("api_key", ""), testing::testToken);
    EXPECT_EQ(body.value("batch", json()), (json{events[0].toJSON(), events[1].toJSON()}));
}

TEST_F(EndpointSend, SnapshotsFollowThePathTheConfigurationHoldsAtEachSend) {
    const auto endpoint = QueueEndpoints::snapshots(api_);
    const std::vector events{testing::sampleEvent("$snapshot")};
    config_->snapshotEndpoint.set("/replay/first");
    EXPECT_EQ(sent(endpoint, events).path, "/replay/first");
    config_->snapshotEndpoint.set("/replay/second");
    const auto request = sent(endpoint, events);
    EXPECT_EQ(request.path, "/replay/second");
    EXPECT_EQ(json::parse(request.body, nullptr, false), json{events[0].toJSON()});
}

TEST_F(EndpointSend, LogsGoOutAsOneOTLPRequestWithTheSetUpAttributes) {
    const auto endpoint = LogsQueueEndpoint::make(api_, {{"service.name", "tessivar"}}, "9.9.9");
    ZeraZovLogRecord first("started", ZeraZovLogSeverity::info);
    ZeraZovLogRecord second("bad bytes \xff here", ZeraZovLogSeverity::error);
    second.attributes = {{"note", "\xfe"}};
    const auto request = sent(endpoint, {first, second});
    EXPECT_EQ(request.path, "/i/v1/logs");
    EXPECT_EQ(request.query, (httplib::Params{{"token", testing::testToken}}));
    const auto body = json::parse(request.body, nullptr, false);
    const auto expected = otlpLogsPayload({first, second}, {{"service.name", "tessivar"}}, "9.9.9");
    // Records holding bytes that are not UTF-8 still go out, as readable JSON.
    EXPECT_EQ(body["resourceLogs"][0]["resource"], expected["resourceLogs"][0]["resource"]);
    EXPECT_EQ(body["resourceLogs"][0]["scopeLogs"][0]["scope"]["version"], "9.9.9");
    EXPECT_EQ(body["resourceLogs"][0]["scopeLogs"][0]["logRecords"].size(), 2U);
    EXPECT_EQ(body["resourceLogs"][0]["scopeLogs"][0]["logRecords"][0], otlpLogRecord(first));
}

}  // namespace
}  // namespace zerazov
