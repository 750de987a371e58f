#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <optional>
#include <string>

#include "Platform/Testing/ManualClock.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"

namespace zerazov {
namespace {

using namespace std::chrono;
using Date = ZeraZovEvent::Date;

const Date mayFirst = sys_days{year{2024} / 5 / 1} + 12h + 30min + 45s + 123ms;
const UUID knownId = UUID::fromString("0190a1b2-c3d4-7e5f-8a9b-0c1d2e3f4a5b").value();

ZeraZovEvent sampleEvent() {
    return ZeraZovEvent("jump_triggered", "user-1", {{"trigger", "hotkey"}, {"displays", 2}}, mayFirst, knownId);
}

bool isVersion7(const UUID& id) { return (id.bytes()[6] >> 4) == 7 && (id.bytes()[8] & 0xC0) == 0x80; }

class ZeraZovEventReader : public ::testing::Test {
protected:
    const Date readingTime = sys_days{year{2025} / 1 / 2} + 3h + 4min + 5s + 678ms;
    platform::ManualClock clock{readingTime};
};

TEST(ZeraZovEventWriter, WritesFiveKeysWithoutAnApiKey) {
    const auto json = sampleEvent().toJSON();
    EXPECT_EQ(json, (nlohmann::json{{"event", "jump_triggered"},
                                    {"distinct_id", "user-1"},
                                    {"properties", {{"trigger", "hotkey"}, {"displays", 2}}},
                                    {"timestamp", "2024-05-01T12:30:45.123Z"},
                                    {"uuid", "0190A1B2-C3D4-7E5F-8A9B-0C1D2E3F4A5B"}}));
}

TEST(ZeraZovEventWriter, AddsTheApiKeyWhenThereIsOne) {
    auto event = sampleEvent();
    event.apiKey = "token";
    const auto json = event.toJSON();
    EXPECT_EQ(json.size(), 6U);
    EXPECT_EQ(json.at("api_key"), "token");
}

nlohmann::json nestedArrays(int levels) {
    nlohmann::json value = 1;
    for (int level = 0; level < levels; ++level) value = nlohmann::json::array({std::move(value)});
    return value;
}

// The text is written by hand, so the library is the oracle: text exactly when the
// record is writable by isValidJSONValue, and then the bytes of its own dump, for
// every kind of value, escape and member order.
TEST(ZeraZovEventWriter, TextIsTheObjectsOwnDumpWhenTheRecordIsWritable) {
    const nlohmann::json everyKind = {
        {"text", "quote \" backslash \\ slash / controls \b\f\n\r\t\x01\x1f delete \x7f"},
        {"unicode", "größer 大 🙂"},
        {"numbers", {0, -1, -9223372036854775807 - 1, 18446744073709551615u, 1.5, -0.0, 100.0, 1e300, 0.1}},
        {"nested", {{"empty_object", nlohmann::json::object()}, {"empty_array", nlohmann::json::array()}}},
        {"flags", {true, false, nullptr}},
        {"$set", {{"name", "x"}}},
        {"apple", 1},
        {"zebra", 2},
    };
    const auto with = [&](const char* key, nlohmann::json value) {
        auto properties = everyKind;
        properties[key] = std::move(value);
        return properties;
    };
    // The record wraps the properties in one level, its own.
    const int deepestWritable = static_cast<int>(platform::BoundedJSON::maxDepth) - 1;
    const struct {
        const char* name;
        nlohmann::json properties;
        std::optional<std::string> apiKey = std::nullopt;
        std::string eventName = "näme \"quoted\"";
        bool writable = true;
    } rows[] = {
        {"every kind of value", everyKind},
        {"with a project token", everyKind, "zzk_\"token\""},
        {"no properties", nlohmann::json::object()},
        {"properties that are no object", nlohmann::json::array({1, "two"}), "token"},
        {"as deep as a record may be", with("deep", nestedArrays(deepestWritable - 1))},
        {"one level deeper", with("deep", nestedArrays(deepestWritable)), std::nullopt, "e", false},
        {"a number that is not finite", with("nan", {1, std::numeric_limits<double>::quiet_NaN()}), std::nullopt, "e",
         false},
        {"text that is not UTF-8", with("bad", {{"inner", "\xc3"}}), std::nullopt, "e", false},
        {"a key that is not UTF-8", with("bad\xff", 1), std::nullopt, "e", false},
        {"binary", with("bytes", nlohmann::json::binary({1, 2})), std::nullopt, "e", false},
        {"a name that is not UTF-8", everyKind, std::nullopt, "bad\xed\xa0\x80", false},
        {"a project token that is not UTF-8", everyKind, "\xf5", "e", false},
    };
    for (const auto& row : rows) {
        const ZeraZovEvent event(row.eventName, "user\n1", row.properties, mayFirst, knownId, row.apiKey);
        const auto whole = event.toJSON();
        ASSERT_EQ(isValidJSONValue(whole), row.writable) << row.name;
        EXPECT_EQ(event.writableJSONText(), row.writable ? std::optional(whole.dump()) : std::nullopt) << row.name;
    }
}

TEST_F(ZeraZovEventReader, ReadsBackWhatWasWritten) {
    auto event = sampleEvent();
    EXPECT_EQ(ZeraZovEvent::fromJSON(event.toJSON(), clock), event);
    event.apiKey = "token";
    EXPECT_EQ(ZeraZovEvent::fromJSON(event.toJSON(), clock), event);
}

TEST_F(ZeraZovEventReader, DistinctIdFromThePropertiesWithCurrentTimeAndFreshId) {
    const nlohmann::json stored = {{"event", "app_opened"}, {"properties", {{"distinct_id", "inner"}}}};
    const auto event = ZeraZovEvent::fromJSON(stored, clock);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->distinctId, "inner");
    EXPECT_EQ(event->timestamp, floor<milliseconds>(readingTime));
    EXPECT_TRUE(isVersion7(event->uuid));
    EXPECT_FALSE(event->apiKey.has_value());
}

TEST_F(ZeraZovEventReader, TopLevelDistinctIdWinsAndANonTextOneFallsBack) {
    nlohmann::json stored = {{"event", "e"}, {"distinct_id", "outer"}, {"properties", {{"distinct_id", "inner"}}}};
    EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->distinctId, "outer");
    stored["distinct_id"] = 42;
    EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->distinctId, "inner");
}

TEST_F(ZeraZovEventReader, MessageIdStandsInForTheUuid) {
    const nlohmann::json stored = {
        {"event", "e"}, {"distinct_id", "d"}, {"message_id", "0190a1b2-c3d4-7e5f-8a9b-0c1d2e3f4a5b"}};
    EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->uuid, knownId);
}

TEST_F(ZeraZovEventReader, AnUnreadableUuidBecomesAFreshOne) {
    const nlohmann::json stored = {{"event", "e"}, {"distinct_id", "d"}, {"uuid", "not-a-uuid"}};
    const auto event = ZeraZovEvent::fromJSON(stored, clock);
    ASSERT_TRUE(event.has_value());
    EXPECT_TRUE(isVersion7(event->uuid));
}

TEST_F(ZeraZovEventReader, TimestampsWithAndWithoutFraction) {
    nlohmann::json stored = {{"event", "e"}, {"distinct_id", "d"}, {"timestamp", "2024-05-01T12:30:45Z"}};
    EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->timestamp, mayFirst - 123ms);

    // A year the clock cannot hold counts as unreadable rather than wrapping into another date.
    for (const auto& unreadable : {nlohmann::json("2024-05-01T12:30:45+02:00"), nlohmann::json("yesterday"),
                                   nlohmann::json(1714566645), nlohmann::json("1012-05-01T12:30:45Z")}) {
        stored["timestamp"] = unreadable;
        EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->timestamp, floor<milliseconds>(readingTime)) << unreadable;
    }
}

TEST_F(ZeraZovEventReader, TopLevelSetReplacesTheOneInTheProperties) {
    const nlohmann::json stored = {{"event", "$identify"},
                                   {"distinct_id", "d"},
                                   {"properties", {{"$set", {{"old", 1}}}, {"keep", true}}},
                                   {"$set", {{"name", "Ada"}}}};
    const auto event = ZeraZovEvent::fromJSON(stored, clock);
    EXPECT_EQ(event->properties, (nlohmann::json{{"$set", {{"name", "Ada"}}}, {"keep", true}}));
}

TEST_F(ZeraZovEventReader, PropertiesThatAreNoObjectReadAsEmpty) {
    const nlohmann::json stored = {{"event", "e"}, {"distinct_id", "d"}, {"properties", {1, 2}}};
    EXPECT_EQ(ZeraZovEvent::fromJSON(stored, clock)->properties, nlohmann::json::object());
}

TEST_F(ZeraZovEventReader, RecordsWithoutNameOrDistinctIdAreSkipped) {
    EXPECT_FALSE(ZeraZovEvent::fromJSON({{"event", 7}, {"distinct_id", "d"}}, clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON({{"distinct_id", "d"}}, clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON({{"event", "e"}, {"properties", {{"distinct_id", 1}}}}, clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON(nlohmann::json::object(), clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON(nlohmann::json::array({"event", "e"}), clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON("event", clock).has_value());
    EXPECT_FALSE(ZeraZovEvent::fromJSON(nullptr, clock).has_value());
}

TEST(ZeraZovWellKnownEvents, PositionsAreExactAndCaseSensitive) {
    EXPECT_EQ(wellKnownEventIndex("$snapshot"), 0U);
    EXPECT_EQ(wellKnownEventIndex("$set"), 2U);
    EXPECT_EQ(wellKnownEventIndex("survey shown"), 5U);
    EXPECT_EQ(wellKnownEventIndex("$feature_flag_called"), 9U);
    EXPECT_EQ(wellKnownEventIndex("$Screen"), 10U);
    EXPECT_EQ(wellKnownEventIndex("$set "), 10U);
    EXPECT_TRUE(isWellKnownEvent("$create_alias"));
    EXPECT_FALSE(isWellKnownEvent("jump_triggered"));
}

}  // namespace
}  // namespace zerazov
