#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "ZeraZov/Integrations/Logs/ZeraZovLogger.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

struct CapturedLog {
    std::string body;
    ZeraZovLogSeverity level;
    std::optional<json> attributes;
    bool traceContextGiven;
};

// The log list outlives the client, so a test can still read it after the
// client is released.
class RecordingClient final : public ZeraZovLogCapturing {
public:
    void captureLogInternal(std::string body, ZeraZovLogSeverity level, std::optional<json> attributes,
                            std::optional<std::string> traceId, std::optional<std::string> spanId,
                            std::optional<std::int64_t> traceFlags) noexcept override {
        logs->push_back({std::move(body), level, std::move(attributes), traceId || spanId || traceFlags});
    }

    std::shared_ptr<std::vector<CapturedLog>> logs = std::make_shared<std::vector<CapturedLog>>();
};

using SeverityCall = void (ZeraZovLogger::*)(std::string, std::optional<json>) const noexcept;

const std::vector<std::pair<SeverityCall, ZeraZovLogSeverity>> severityCalls = {
    {&ZeraZovLogger::trace, ZeraZovLogSeverity::trace}, {&ZeraZovLogger::debug, ZeraZovLogSeverity::debug},
    {&ZeraZovLogger::info, ZeraZovLogSeverity::info},   {&ZeraZovLogger::warn, ZeraZovLogSeverity::warn},
    {&ZeraZovLogger::error, ZeraZovLogSeverity::error}, {&ZeraZovLogger::fatal, ZeraZovLogSeverity::fatal},
};

TEST(ZeraZovLogger, EachSeverityCallForwardsItsLevelBodyAndAttributes) {
    const auto client = std::make_shared<RecordingClient>();
    const ZeraZovLogger logger(client);
    for (const auto& [call, level] : severityCalls) (logger.*call)("body", json{{"n", 1}});
    ASSERT_EQ(client->logs->size(), severityCalls.size());
    for (std::size_t i = 0; i < severityCalls.size(); ++i) {
        const auto& log = (*client->logs)[i];
        EXPECT_EQ(log.level, severityCalls[i].second);
        EXPECT_EQ(log.body, "body");
        EXPECT_EQ(log.attributes, (json{{"n", 1}}));
        EXPECT_FALSE(log.traceContextGiven);
    }
}

TEST(ZeraZovLogger, AbsentAttributesBehaveAsTheBodyOnlyCall) {
    const auto client = std::make_shared<RecordingClient>();
    const ZeraZovLogger logger(client);
    logger.warn("low battery", std::nullopt);
    logger.warn("low battery");
    ASSERT_EQ(client->logs->size(), 2u);
    for (const auto& log : *client->logs) {
        EXPECT_EQ(log.level, ZeraZovLogSeverity::warn);
        EXPECT_FALSE(log.attributes.has_value());
    }
}

TEST(ZeraZovLogger, IgnoresEveryCallOnceItsClientIsReleased) {
    auto client = std::make_shared<RecordingClient>();
    const auto logs = client->logs;
    const ZeraZovLogger logger(client);
    logger.info("before");
    client.reset();
    for (const auto& [call, level] : severityCalls) (logger.*call)("after", json{{"n", 1}});
    ASSERT_EQ(logs->size(), 1u);
    EXPECT_EQ((*logs)[0].body, "before");
}

}  // namespace
}  // namespace zerazov
