#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Integrations/Logs/ZeraZovLogCapture.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using json = nlohmann::json;
using Chain = BeforeSendChain<ZeraZovLogRecord>;
using Hook = Chain::Block;

Hook addingAttribute(std::string key, int value) {
    return [key = std::move(key), value](ZeraZovLogRecord record) -> std::optional<ZeraZovLogRecord> {
        record.attributes[key] = value;
        return record;
    };
}

class ZeraZovLogCaptureTest : public ::testing::Test {
protected:
    ZeraZovLogCapture capture() {
        return ZeraZovLogCapture(
            chain,
            [this] {
                ++contextReads;
                return context;
            },
            [this](ZeraZovLogRecord record) { queued.push_back(std::move(record)); });
    }

    void log(std::string body, std::optional<json> attributes = std::nullopt) {
        capture().capture(std::move(body), ZeraZovLogSeverity::info, std::move(attributes), std::nullopt, std::nullopt,
                          std::nullopt);
    }

    std::shared_ptr<Chain> chain = std::make_shared<Chain>();
    ZeraZovLogContext context;
    int contextReads = 0;
    std::vector<ZeraZovLogRecord> queued;
    platform::LogCapture logLines;
    // Last: on once the rest is made, back off before the rest goes.
    tessivar::testing::DebugLogSwitch debugLog;
};

TEST_F(ZeraZovLogCaptureTest, StampsTheRecordWithTheClientsContext) {
    context = {"user-1", "s-1", "Settings", true, json{{"on", true}, {"off", false}, {"variant", "b"}, {"a", 1}}};
    capture().capture("  saved \n", ZeraZovLogSeverity::error, json{{"k", "v"}}, "trace", "span", 257);
    ASSERT_EQ(queued.size(), 1u);
    const auto& record = queued[0];
    EXPECT_EQ(record.body, "  saved \n");
    EXPECT_EQ(record.level, ZeraZovLogSeverity::error);
    EXPECT_EQ(record.attributes, (json{{"k", "v"}}));
    EXPECT_EQ(record.traceId, "trace");
    EXPECT_EQ(record.spanId, "span");
    EXPECT_EQ(record.traceFlags, 257u);
    EXPECT_EQ(record.distinctId, "user-1");
    EXPECT_EQ(record.sessionId, "s-1");
    EXPECT_EQ(record.screenName, "Settings");
    EXPECT_EQ(record.appState, "background");
    EXPECT_EQ(record.featureFlagKeys, (std::vector<std::string>{"a", "on", "variant"}));
    EXPECT_EQ(record.observedTimeUnixNano, record.timeUnixNano);
}

TEST_F(ZeraZovLogCaptureTest, FillsTheGapsOfASparseContext) {
    context.distinctId = "";
    log("hello");
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_FALSE(queued[0].distinctId.has_value());
    EXPECT_FALSE(queued[0].sessionId.has_value());
    EXPECT_EQ(queued[0].appState, "foreground");
    EXPECT_EQ(queued[0].attributes, json::object());
    EXPECT_FALSE(queued[0].traceFlags.has_value());
}

TEST_F(ZeraZovLogCaptureTest, DropsBlankBodiesBeforeReadingAnything) {
    log(" \n\t\xC2\xA0");
    EXPECT_TRUE(queued.empty());
    EXPECT_EQ(contextReads, 0);
    EXPECT_TRUE(logLines.contains("[ZeraZov] captureLog: empty body, dropping"));
}

TEST_F(ZeraZovLogCaptureTest, WithoutALogsQueueStopsSilently) {
    ZeraZovLogCapture(
        chain,
        [this] {
            ++contextReads;
            return context;
        },
        nullptr)
        .capture("hello", ZeraZovLogSeverity::info, std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(contextReads, 0);
    EXPECT_TRUE(logLines.lines().empty());
}

TEST_F(ZeraZovLogCaptureTest, AHookAnsweringNothingDropsTheRecordAndSkipsLaterHooks) {
    int laterCalls = 0;
    chain->set({[](ZeraZovLogRecord) -> std::optional<ZeraZovLogRecord> { return std::nullopt; },
                [&laterCalls](ZeraZovLogRecord record) -> std::optional<ZeraZovLogRecord> {
                    ++laterCalls;
                    return record;
                }});
    log("hello");
    EXPECT_TRUE(queued.empty());
    EXPECT_EQ(laterCalls, 0);
}

TEST_F(ZeraZovLogCaptureTest, AHookThatBlanksTheBodyDropsTheRecord) {
    chain->set({[](ZeraZovLogRecord record) -> std::optional<ZeraZovLogRecord> {
        record.body = " \r\n ";
        return record;
    }});
    log("secret");
    EXPECT_TRUE(queued.empty());
}

TEST_F(ZeraZovLogCaptureTest, HooksChangeTheRecordInListOrder) {
    chain->set({addingAttribute("first", 1), addingAttribute("second", 2),
                [](ZeraZovLogRecord record) -> std::optional<ZeraZovLogRecord> {
                    record.body = "redacted after " + std::to_string(record.attributes.size());
                    record.level = ZeraZovLogSeverity::warn;
                    return record;
                }});
    log("password=hunter2", json{{"user", "x"}});
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].body, "redacted after 3");
    EXPECT_EQ(queued[0].level, ZeraZovLogSeverity::warn);
    EXPECT_EQ(queued[0].attributes, (json{{"user", "x"}, {"first", 1}, {"second", 2}}));
}

TEST_F(ZeraZovLogCaptureTest, AFailingQueueDoesNotReachTheCaller) {
    ZeraZovLogCapture failing(chain, nullptr, [](ZeraZovLogRecord) { throw std::runtime_error("disk full"); });
    EXPECT_NO_THROW(
        failing.capture("hello", ZeraZovLogSeverity::info, std::nullopt, std::nullopt, std::nullopt, std::nullopt));
    EXPECT_TRUE(logLines.contains("[ZeraZov] captureLog: dropping a log that could not be queued: disk full"));
}

TEST(ZeraZovLogCaptureFlags, KeysOfEveryFlagButPlainFalseInAscendingOrder) {
    EXPECT_EQ(ZeraZovLogCapture::featureFlagKeys(
                  json{{"zeta", true}, {"beta", false}, {"alpha", "control"}, {"gamma", 0}, {"delta", nullptr}}),
              (std::vector<std::string>{"alpha", "delta", "gamma", "zeta"}));
    EXPECT_TRUE(ZeraZovLogCapture::featureFlagKeys(json::array({"a"})).empty());
}

}  // namespace
}  // namespace zerazov
