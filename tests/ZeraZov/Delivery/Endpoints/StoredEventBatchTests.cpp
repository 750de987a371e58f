#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ApiTestSupport.h"
#include "LoopbackServer.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Identity/UUID.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"
#include "tests/support/DebugLogSwitch.h"
#include "tests/support/WaitUntil.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

const json written = {
    {"event", "jump_triggered"},
    {"distinct_id", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0B"},
    {"properties", {{"trigger", "hotkey"}, {"nested", {{"list", {1, 2.5, "三", nullptr, true}}}}}},
    {"timestamp", "2024-05-01T12:00:00.123Z"},
    {"uuid", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"},
};

json with(json object, const std::string& key, json value) {
    object[key] = std::move(value);
    return object;
}

json without(json object, const std::string& key) {
    object.erase(key);
    return object;
}

// The text with the first byte of `where` replaced.
std::string withByte(std::string text, const std::string& where, char byte) {
    text[text.find(where)] = byte;
    return text;
}

// The written form with one more property, "n", whose value is the given JSON text.
std::string withRawProperty(const std::string& value) {
    auto text = written.dump();
    const std::string properties = "\"properties\":{";
    return text.insert(text.find(properties) + properties.size(), "\"n\":" + value + ",");
}

// The road every stored event took before stored texts were sent as they are,
// and the one those that are not in the written form still take.
std::optional<json> decodedAndEncoded(const std::string& stored) {
    const auto event = QueueEndpoints::decode(stored);
    if (!event) return std::nullopt;
    return event->toJSON();
}

struct StoredCase {
    const char* what;
    std::string stored;
    bool passedAsItIs;
    // The stored time cannot be read, so each decoding takes the clock's, and two
    // decodings a millisecond apart differ.
    bool timestampFromTheClock = false;
};

// What eventText answers must mean what decoding and encoding again means: the
// same event, or no event. Members a decoder makes up (a fresh id, the time of
// reading) are compared for presence only.
TEST(StoredEventText, SendsWhatDecodingWouldSendAndPassesOnlyTheWrittenFormUnchanged) {
    const std::vector<StoredCase> cases{
        {"the written form", written.dump(), true},
        {"with an API key", with(written, "api_key", "zzk_key").dump(), true},
        {"indented", written.dump(2), true},
        {"escaped text in the properties", with(written, "properties", {{"quote", "\"\\\u00e9\n"}}).dump(), true},
        {"a key spelled with an escape",
         R"({"\u0065vent":"a","distinct_id":"d","properties":{},)"
         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})",
         true},
        {"a lower-case id", with(written, "uuid", "0190a0b0-1c2d-7e3f-8a4b-5c6d7e8f9a0c").dump(), false},
        {"a timestamp in seconds", with(written, "timestamp", "2024-05-01T12:00:00Z").dump(), false},
        {"an unreadable timestamp", with(written, "timestamp", "yesterday").dump(), false, true},
        {"no id", without(written, "uuid").dump(), false},
        {"no properties", without(written, "properties").dump(), false},
        {"properties that are a list", with(written, "properties", json::array({1})).dump(), false},
        {"a member the client does not write", with(written, "$set", {{"a", 1}}).dump(), false},
        {"a repeated member",
         R"({"event":"a","event":"b","distinct_id":"d","properties":{},)"
         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})",
         false},
        {"a number beyond a double",
         R"({"event":"a","distinct_id":"d","properties":{"n":1e999},)"
         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})",
         false},
        {"the distinct id only in the properties",
         R"({"event":"a","properties":{"distinct_id":"d"},)"
         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})",
         false},
        {"no event name", without(written, "event").dump(), false},
        {"an event name that is a number", with(written, "event", 7).dump(), false},
        {"an event name that is an object", with(written, "event", {{"name", "a"}}).dump(), false},
        {"an escaped surrogate pair", withRawProperty("\"\\ud83d\\ude00\""), true},
        {"half a surrogate pair", withRawProperty("\"\\ud83d\""), false},
        {"a number a double holds only as zero", withRawProperty("1e-400"), true},
        {"the largest double", withRawProperty("1.7976931348623157e308"), true},
        {"just past the largest double", withRawProperty("1.7976931348623159e308"), false},
        {"an integer a double still holds", withRawProperty("1" + std::string(300, '0')), true},
        {"an integer past the largest double", withRawProperty("2" + std::string(308, '0')), false},
        {"properties nested hundreds deep", withRawProperty(std::string(400, '[') + std::string(400, ']')), true},
        {"a record 512 deep", withRawProperty(std::string(510, '[') + std::string(510, ']')), true},
        {"a record 513 deep", withRawProperty(std::string(511, '[') + std::string(511, ']')), false},
        {"properties nested deeper than any reader takes",
         withRawProperty(std::string(5000, '[') + std::string(5000, ']')), false},
        {"a byte-order mark before the object", "\xEF\xBB\xBF" + written.dump(), false},
        {"torn", written.dump().substr(0, 80), false},
        {"trailing bytes", written.dump() + "}", false},
        {"two objects", written.dump() + written.dump(), false},
        {"bytes that are not UTF-8", withByte(written.dump(), "jump", '\xff'), false},
        {"a raw control character",
         R"({"event":"a)"
         "\x01"
         R"(","distinct_id":"d","properties":{},)"
         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})",
         false},
        {"empty", "", false},
        {"zeros of a file a power cut left", std::string(64, '\0'), false},
        {"an array", json::array({written}).dump(), false},
        {"a string", json("text").dump(), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ZeraZovStoredBatch::isWrittenForm(c.stored), c.passedAsItIs);
        const auto text = ZeraZovStoredBatch::eventText(c.stored);
        const auto expected = decodedAndEncoded(c.stored);
        ASSERT_EQ(text.has_value(), expected.has_value());
        if (!text) continue;
        if (c.passedAsItIs) {
            EXPECT_EQ(*text, c.stored);
        }
        auto sent = json::parse(*text);  // throws, failing the test, unless it is JSON
        auto oracle = *expected;
        for (const char* madeUp : {"uuid", "timestamp"}) {
            const bool fromTheClock = c.timestampFromTheClock && std::string_view(madeUp) == "timestamp";
            if (json::parse(c.stored, nullptr, false).contains(madeUp) && !fromTheClock) continue;
            EXPECT_TRUE(sent.contains(madeUp));
            sent.erase(madeUp);
            oracle.erase(madeUp);
        }
        EXPECT_EQ(sent, oracle);
    }
}

// The oracle of the written form: what the JSON library makes of the text, with
// the form's rules applied to what it read. The bytes go into a body as they are,
// so nothing but white space may come before the object (the library would pass
// over a byte-order mark there).
bool writtenFormAsTheLibraryReadsIt(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\n\r");
    if (first == std::string::npos || text[first] != '{') return false;
    std::set<std::string> names;
    bool repeated = false;
    json parsed;
    try {
        parsed = json::parse(text, [&](int depth, json::parse_event_t event, json& value) {
            if (depth == 1 && event == json::parse_event_t::key) {
                repeated |= !names.insert(value.get<std::string>()).second;
            }
            return true;
        });
    } catch (const json::exception&) {
        return false;
    }
    const std::set<std::string> allowed{"event", "distinct_id", "properties", "timestamp", "uuid", "api_key"};
    const std::set<std::string> required{"event", "distinct_id", "properties", "timestamp", "uuid"};
    if (repeated || !std::includes(allowed.begin(), allowed.end(), names.begin(), names.end()) ||
        !std::includes(names.begin(), names.end(), required.begin(), required.end())) {
        return false;
    }
    for (const auto& [name, value] : parsed.items()) {
        if (name != "properties" && !value.is_string()) return false;
    }
    if (!parsed["properties"].is_object()) return false;
    const auto timestamp = parsed["timestamp"].get<std::string>();
    const auto date = toISO8601Date(timestamp);
    const auto id = UUID::fromString(parsed["uuid"].get<std::string>());
    return date && toISO8601String(*date) == timestamp && id && id->uuidString() == parsed["uuid"];
}

// Records mangled a few bytes at a time, as a torn write or a foreign writer might
// leave them: the check must answer what the library's reading answers.
TEST(StoredEventText, TheCheckAgreesWithTheJSONLibraryOnMangledRecords) {
    const std::vector<std::string> seeds{
        written.dump(),
        written.dump(1, '\t'),
        with(written, "api_key", "zzk_key").dump(),
        withRawProperty(R"([1.5e3, -0, 0.25E-2, 10, "\u00e9\ud83d\ude00\n\/", {"a": [true, false, null]}])"),
        withRawProperty("17976931348623157" + std::string(292, '0')),
        withRawProperty("\"\u00e9t\u00e9 \u4e09 \U0001F600\""),
    };
    const std::string alphabet =
        "{}[]\":,\\ \t0123456789-+.eEutfnrlsaD\x01\x7f\xc3\xa9\xed\xa0\x80\xef\xbb\xbf"
        "\xf0\x9f\x98\xf4\x90\xff";
    std::mt19937 random(20240501);
    const auto pick = [&random](std::size_t count) { return static_cast<std::size_t>(random() % count); };
    int accepted = 0;
    for (int round = 0; round < 20000; ++round) {
        auto text = seeds[pick(seeds.size())];
        for (std::size_t edits = 1 + pick(3); edits > 0 && !text.empty(); --edits) {
            const auto at = pick(text.size());
            switch (pick(3)) {
            case 0: text[at] = alphabet[pick(alphabet.size())]; break;
            case 1: text.erase(at, 1 + pick(4)); break;
            default: text.insert(at, 1, alphabet[pick(alphabet.size())]); break;
            }
        }
        const bool expected = writtenFormAsTheLibraryReadsIt(text);
        ASSERT_EQ(ZeraZovStoredBatch::isWrittenForm(text), expected)
            << json(text).dump(-1, ' ', true, json::error_handler_t::replace);
        accepted += expected ? 1 : 0;
    }
    // Both answers must have come up often enough to mean something.
    EXPECT_GT(accepted, 2000);
    EXPECT_LT(accepted, 18000);
}

TEST(StoredEventText, TheBodyIsJSONWithTheThreeMembersAndTheTextsInOrder) {
    const std::vector<std::string> texts{written.dump(), with(written, "event", "second").dump(2)};
    const auto head = ZeraZovStoredBatch::head("zzk_\"quoted\"", texts);
    ASSERT_TRUE(head);
    const auto parsed = json::parse(*head + ZeraZovStoredBatch::tail("2024-05-01T12:00:01.000Z"));
    EXPECT_EQ(parsed, (json{{"api_key", "zzk_\"quoted\""},
                            {"batch", {written, with(written, "event", "second")}},
                            {"sent_at", "2024-05-01T12:00:01.000Z"}}));
    EXPECT_EQ(json::parse(*ZeraZovStoredBatch::head("k", {}) + ZeraZovStoredBatch::tail("t")),
              (json{{"api_key", "k"}, {"batch", json::array()}, {"sent_at", "t"}}));
    EXPECT_FALSE(ZeraZovStoredBatch::head("bad \xff token", texts));
}

// An events queue over files as crashes, older versions and the client itself
// leave them, flushed through the real HTTP client to a server on 127.0.0.1.
TEST(StoredEventText, AFlushSendsStoredEventsAsOneValidBodyAndDropsWhatIsNoEvent) {
    testing::LoopbackServer server;
    platform::TemporaryDirectory folder;
    const ZeraZovStorage storage(folder.path(), testing::testToken);
    const auto queueFolder = storage.url(ZeraZovStorage::StorageKey::queue);
    std::filesystem::create_directories(queueFolder);
    const std::vector<std::string> stored{
        written.dump(),
        "{\"event\":\"torn",
        with(written, "uuid", "0190a0b0-1c2d-7e3f-8a4b-5c6d7e8f9a0d").dump(),
        std::string(16, '\0'),
        with(written, "event", "third").dump(),
        "\xEF\xBB\xBF" + with(written, "event", "marked").dump(),
    };
    // Names in the order the loader sorts files of one birth time.
    for (std::size_t i = 0; i < stored.size(); ++i) {
        std::ofstream(queueFolder / ("A" + std::to_string(i)), std::ios::binary) << stored[i];
    }
    auto config = std::make_shared<ZeraZovConfig>(testing::testToken, server.url());
    platform::ManualMainQueue mainQueue;
    std::optional<tessivar::testing::DebugLogSwitch> debug{std::in_place};
    platform::LogCapture log;
    auto queue = ZeraZovQueue<ZeraZovEvent>::create(
        config, storage, nullptr, QueueEndpoints::events(std::make_shared<ZeraZovApi>(config)), mainQueue);
    ASSERT_EQ(queue->depth(), stored.size());
    queue->flush();
    queue->waitForDispatchedFlushes();
    tessivar::testing::waitUntil([&] { return queue->depth() == 0; }, std::chrono::seconds(5));
    debug.reset();

    EXPECT_EQ(queue->depth(), 0u);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto body = json::parse(requests[0].body);
    EXPECT_EQ(body.size(), 3u);
    EXPECT_EQ(body["api_key"], testing::testToken);
    EXPECT_EQ(body["batch"], (json{written, with(written, "uuid", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0D"),
                                   with(written, "event", "third"), with(written, "event", "marked")}));
    EXPECT_TRUE(log.contains("[ZeraZov] Dropping 2 stored record(s) that could not be read back"));
    queue->finishRemovals();
    // What is left are the sent records' files, emptied and kept for later adds.
    for (const auto& entry : std::filesystem::directory_iterator(queueFolder)) {
        EXPECT_EQ(entry.path().filename(), ZeraZovQueueFolder::spareFolderName);
    }
    for (const auto& spare : std::filesystem::directory_iterator(queueFolder / ZeraZovQueueFolder::spareFolderName)) {
        EXPECT_EQ(std::filesystem::file_size(spare.path()), 0u) << spare.path();
    }
}

}  // namespace
}  // namespace zerazov
