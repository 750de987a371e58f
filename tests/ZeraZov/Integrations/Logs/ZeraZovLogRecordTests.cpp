#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "ZeraZov/Integrations/Logs/ZeraZovLogRecord.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

std::uint64_t nanos(const std::string& decimal) { return std::stoull(decimal); }

ZeraZovLogRecord fullRecord() {
    ZeraZovLogRecord record("disk almost full", ZeraZovLogSeverity::warn);
    record.attributes = {{"free_mb", 120}, {"paths", {"/", "/home"}}, {"ratio", 0.25}, {"nested", {{"ok", true}}}};
    record.traceId = "4bf92f3577b34da6a3ce929d0e0e4736";
    record.spanId = "00f067aa0ba902b7";
    record.traceFlags = 1;
    record.distinctId = "user-1";
    record.sessionId = "0190a1b2-c3d4-7e5f-8a9b-0c1d2e3f4a5b";
    record.screenName = "Settings";
    record.appState = "background";
    record.featureFlagKeys = {"beta", "new-effects"};
    record.timeUnixNano = "1714564800123456789";
    record.observedTimeUnixNano = "1714564800123456999";
    return record;
}

TEST(ZeraZovLogRecordDictionary, WritesEveryFieldUnderItsNameWithTheLevelAsText) {
    EXPECT_EQ(fullRecord().toDictionary(), (json{{"body", "disk almost full"},
                                                 {"level", "warn"},
                                                 {"attributes", fullRecord().attributes},
                                                 {"traceId", "4bf92f3577b34da6a3ce929d0e0e4736"},
                                                 {"spanId", "00f067aa0ba902b7"},
                                                 {"traceFlags", 1},
                                                 {"distinctId", "user-1"},
                                                 {"sessionId", "0190a1b2-c3d4-7e5f-8a9b-0c1d2e3f4a5b"},
                                                 {"screenName", "Settings"},
                                                 {"appState", "background"},
                                                 {"featureFlagKeys", {"beta", "new-effects"}},
                                                 {"timeUnixNano", "1714564800123456789"},
                                                 {"observedTimeUnixNano", "1714564800123456999"}}));
}

TEST(ZeraZovLogRecordDictionary, LeavesOutEmptyAttributesButAlwaysWritesFlagKeys) {
    const ZeraZovLogRecord record("hello", ZeraZovLogSeverity::info);
    const auto dictionary = record.toDictionary();
    EXPECT_FALSE(dictionary.contains("attributes"));
    EXPECT_EQ(dictionary.at("featureFlagKeys"), json::array());
    for (const char* key : {"traceId", "spanId", "traceFlags", "distinctId", "sessionId", "screenName", "appState"}) {
        EXPECT_FALSE(dictionary.contains(key)) << key;
    }
}

TEST(ZeraZovLogRecordDictionary, DropsAttributesThatCannotBeWrittenAsJSON) {
    ZeraZovLogRecord record("hello", ZeraZovLogSeverity::info);
    record.attributes = {{"kept", "yes"}, {"ratio", std::nan("")}, {"bad", "\xFF"}};
    EXPECT_EQ(record.toDictionary().at("attributes"), (json{{"kept", "yes"}}));

    record.attributes = {{"ratio", std::nan("")}};
    EXPECT_EQ(record.toDictionary().at("attributes"), json::object());
}

// A log line quoting a file name in another encoding must not lose its body on disk.
TEST(ZeraZovLogRecordDictionary, TextsThatAreNotUTF8KeepTheirReadableParts) {
    ZeraZovLogRecord record("opened caf\xE9.txt", ZeraZovLogSeverity::info);
    record.screenName = "S\xFF";
    record.featureFlagKeys = {"f\xC3"};
    const auto dictionary = record.toDictionary();
    EXPECT_EQ(dictionary.at("body"), "opened caf\xEF\xBF\xBD.txt");
    EXPECT_EQ(dictionary.at("screenName"), "S\xEF\xBF\xBD");
    EXPECT_EQ(dictionary.at("featureFlagKeys"), (json{"f\xEF\xBF\xBD"}));
    EXPECT_NO_THROW((void)dictionary.dump());
}

TEST(ZeraZovLogRecordDictionary, ReadsBackWhatItWrote) {
    const auto stored = json::parse(fullRecord().toDictionary().dump());
    const auto record = ZeraZovLogRecord::fromDictionary(stored);
    ASSERT_TRUE(record.has_value());
    // Every field is written, so equal dictionaries mean equal records.
    EXPECT_EQ(record->toDictionary(), fullRecord().toDictionary());
    EXPECT_EQ(record->traceFlags, 1u);
}

TEST(ZeraZovLogRecordDictionary, NeedsATextBody) {
    EXPECT_FALSE(ZeraZovLogRecord::fromDictionary(json{{"level", "info"}}).has_value());
    EXPECT_FALSE(ZeraZovLogRecord::fromDictionary(json{{"body", 42}}).has_value());
}

TEST(ZeraZovLogRecordDictionary, ABodyAloneGetsDefaultsAndTheCurrentTime) {
    const auto before = nanos(ZeraZovLogRecord("", ZeraZovLogSeverity::info).timeUnixNano);
    const auto record = ZeraZovLogRecord::fromDictionary(json{{"body", "only a body"}});
    const auto after = nanos(ZeraZovLogRecord("", ZeraZovLogSeverity::info).timeUnixNano);
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->level, ZeraZovLogSeverity::info);
    EXPECT_EQ(record->attributes, json::object());
    EXPECT_TRUE(record->featureFlagKeys.empty());
    EXPECT_EQ(record->observedTimeUnixNano, record->timeUnixNano);
    EXPECT_GE(nanos(record->timeUnixNano), before);
    EXPECT_LE(nanos(record->timeUnixNano), after);
    EXPECT_FALSE(record->traceId || record->spanId || record->traceFlags || record->distinctId || record->sessionId ||
                 record->screenName || record->appState);
}

TEST(ZeraZovLogRecordDictionary, ValuesOfTheWrongTypeCountAsMissing) {
    const auto record = ZeraZovLogRecord::fromDictionary(json{{"body", "b"},
                                                              {"level", "warning"},
                                                              {"attributes", json::array({1, 2})},
                                                              {"featureFlagKeys", {"a", 2}},
                                                              {"traceId", 7},
                                                              {"traceFlags", true},
                                                              {"sessionId", nullptr},
                                                              {"timeUnixNano", "1700000000000000000"},
                                                              {"observedTimeUnixNano", 5}});
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->level, ZeraZovLogSeverity::info);
    EXPECT_EQ(record->attributes, json::object());
    EXPECT_TRUE(record->featureFlagKeys.empty());
    EXPECT_FALSE(record->traceId.has_value());
    EXPECT_FALSE(record->traceFlags.has_value());
    EXPECT_FALSE(record->sessionId.has_value());
    EXPECT_EQ(record->observedTimeUnixNano, "1700000000000000000");
}

}  // namespace
}  // namespace zerazov
