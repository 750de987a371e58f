#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPLogs.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

ZeraZovLogRecord plainRecord(std::string body, ZeraZovLogSeverity level, std::string time) {
    ZeraZovLogRecord record(std::move(body), level);
    record.timeUnixNano = time;
    record.observedTimeUnixNano = std::move(time);
    return record;
}

json keyValue(const char* key, json value) { return {{"key", key}, {"value", std::move(value)}}; }

TEST(OTLPLogRecord, APlainRecordHasOnlyTheFiveFixedKeys) {
    const auto encoded = otlpLogRecord(plainRecord("started", ZeraZovLogSeverity::debug, "1714564800000000001"));
    EXPECT_EQ(encoded, (json{{"timeUnixNano", "1714564800000000001"},
                             {"observedTimeUnixNano", "1714564800000000001"},
                             {"severityNumber", 5},
                             {"severityText", "debug"},
                             {"body", {{"stringValue", "started"}}}}));
    EXPECT_TRUE(encoded.at("timeUnixNano").is_string());
    EXPECT_TRUE(encoded.at("severityNumber").is_number_integer());
}

TEST(OTLPLogRecord, CarriesTheClientFieldsAsAttributesAndTheTraceContext) {
    auto record = plainRecord("jumped", ZeraZovLogSeverity::info, "1");
    record.distinctId = "user-1";
    record.sessionId = "s-1";
    record.screenName = "Onboarding";
    record.appState = "foreground";
    record.featureFlagKeys = {"a-flag", "b-flag"};
    record.attributes = {{"display", 2}};
    record.traceId = "t";
    record.spanId = "s";
    record.traceFlags = 1;
    const auto encoded = otlpLogRecord(record);
    EXPECT_EQ(
        encoded.at("attributes"),
        (json{keyValue("app.state", {{"stringValue", "foreground"}}), keyValue("display", {{"intValue", "2"}}),
              keyValue("feature_flags",
                       {{"arrayValue", {{"values", {{{"stringValue", "a-flag"}}, {{"stringValue", "b-flag"}}}}}}}),
              keyValue("screen.name", {{"stringValue", "Onboarding"}}), keyValue("sessionId", {{"stringValue", "s-1"}}),
              keyValue("zerazovDistinctId", {{"stringValue", "user-1"}})}));
    EXPECT_EQ(encoded.at("traceId"), "t");
    EXPECT_EQ(encoded.at("spanId"), "s");
    EXPECT_EQ(encoded.at("flags"), 1);
    EXPECT_TRUE(encoded.at("flags").is_number_integer());
}

TEST(OTLPLogRecord, TheCallersAttributesWinOverTheBuiltInOnes) {
    auto record = plainRecord("b", ZeraZovLogSeverity::info, "1");
    record.sessionId = "from-the-client";
    record.attributes = {{"sessionId", "from-the-caller"}};
    EXPECT_EQ(otlpLogRecord(record).at("attributes"),
              (json{keyValue("sessionId", {{"stringValue", "from-the-caller"}})}));
}

TEST(OTLPLogsPayload, OneRecordSitsInOneResourceAndOneScope) {
    const json resource = {{"service.name", "com.brel.tessivar"}};
    const auto payload = otlpLogsPayload({plainRecord("hello", ZeraZovLogSeverity::warn, "10")}, resource, "3.59.2");
    const json expected = {
        {"resourceLogs",
         {{{"resource", {{"attributes", {keyValue("service.name", {{"stringValue", "com.brel.tessivar"}})}}}},
           {"scopeLogs",
            {{{"scope", {{"name", "zerazov-ios"}, {"version", "3.59.2"}}},
              {"logRecords",
               {{{"timeUnixNano", "10"},
                 {"observedTimeUnixNano", "10"},
                 {"severityNumber", 13},
                 {"severityText", "warn"},
                 {"body", {{"stringValue", "hello"}}}}}}}}}}}}};
    EXPECT_EQ(payload, expected);
}

TEST(OTLPLogsPayload, SeveralRecordsKeepTheirBatchOrder) {
    const std::vector<ZeraZovLogRecord> records = {plainRecord("third", ZeraZovLogSeverity::fatal, "3"),
                                                   plainRecord("first", ZeraZovLogSeverity::trace, "1"),
                                                   plainRecord("second", ZeraZovLogSeverity::error, "2")};
    const auto payload = otlpLogsPayload(records, json::object(), "9.9.9");
    ASSERT_EQ(payload.at("resourceLogs").size(), 1u);
    ASSERT_EQ(payload.at("resourceLogs")[0].at("scopeLogs").size(), 1u);
    const auto& logRecords = payload.at("resourceLogs")[0].at("scopeLogs")[0].at("logRecords");
    ASSERT_EQ(logRecords.size(), 3u);
    for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(logRecords[i], otlpLogRecord(records[i]));
    EXPECT_EQ(logRecords[0].at("severityNumber"), 21);
    EXPECT_EQ(logRecords[1].at("severityNumber"), 1);
    EXPECT_EQ(logRecords[2].at("severityNumber"), 17);
}

TEST(OTLPLogsPayload, AnEmptyBatchStillHasItsResourceAndScope) {
    const auto payload = otlpLogsPayload({}, json::object(), "3.59.2");
    const auto& resourceLogs = payload.at("resourceLogs")[0];
    EXPECT_EQ(resourceLogs.at("resource"), (json{{"attributes", json::array()}}));
    EXPECT_EQ(resourceLogs.at("scopeLogs")[0].at("logRecords"), json::array());
}

TEST(OTLPLogsPayload, AlwaysSerialises) {
    auto record = plainRecord("caf\xE9", ZeraZovLogSeverity::info, "1");
    record.attributes = {{"k\xFF", "v\xFE"}, {"nan", std::numeric_limits<double>::quiet_NaN()}};
    const auto payload = otlpLogsPayload({record}, json{{"x\xC3", 1}}, "3.59.2");
    EXPECT_NO_THROW((void)payload.dump());
}

}  // namespace
}  // namespace zerazov
