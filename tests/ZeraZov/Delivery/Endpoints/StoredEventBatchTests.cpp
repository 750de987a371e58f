#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ApiTestSupport.h"
#include "LoopbackServer.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/QueueEndpoints.h"
#include "ZeraZov/Delivery/ZeraZovQueue.h"
#include "ZeraZov/Delivery/ZeraZovStoredBatch.h"

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
};

// What eventText answers must mean what decoding and encoding again means: the
// same event, or no event. Members a decoder makes up (a fresh id, the time of
// reading) are compared for presence only.
TEST(StoredEventText, SendsWhatDecodingWouldSendAndPassesOnlyTheWrittenFormUnchanged) {
    const std::vector<StoredCase> cases{
        {"the written form", written.dump(), true},
        {"with an API key", with(written, "api_key", "phc_key").dump(), true},
        {"indented", written.dump(2), true},
        {"escaped text in the properties", with(written, "properties", {{"quote", "\"\\\u00e9\n"}}).dump(), true},
        {"a key spelled with an escape", R"({"\u0065vent":"a","distinct_id":"d","properties":{},)"
                                         R"("timestamp":"2024-05-01T12:00:00.123Z",)"
                                         R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})", true},
        {"a lower-case id", with(written, "uuid", "0190a0b0-1c2d-7e3f-8a4b-5c6d7e8f9a0c").dump(), false},
        {"a timestamp in seconds", with(written, "timestamp", "2024-05-01T12:00:00Z").dump(), false},
        {"an unreadable timestamp", with(written, "timestamp", "yesterday").dump(), false},
        {"no id", without(written, "uuid").dump(), false},
        {"no properties", without(written, "properties").dump(), false},
        {"properties that are a list", with(written, "properties", json::array({1})).dump(), false},
        {"a member the client does not write", with(written, "$set", {{"a", 1}}).dump(), false},
        {"a repeated member", R"({"event":"a","event":"b","distinct_id":"d","properties":{},)"
                              R"("timestamp":"2024-05-01T12:00:00.123Z",)"
                              R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})", false},
        {"a number beyond a double", R"({"event":"a","distinct_id":"d","properties":{"n":1e999},)"
                                     R"("timestamp":"2024-05-01T12:00:00.123Z",)"
                                     R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})", false},
        {"the distinct id only in the properties", R"({"event":"a","properties":{"distinct_id":"d"},)"
                                                   R"("timestamp":"2024-05-01T12:00:00.123Z",)"
                                                   R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})", false},
        {"no event name", without(written, "event").dump(), false},
        {"an event name that is a number", with(written, "event", 7).dump(), false},
        {"torn", written.dump().substr(0, 80), false},
        {"trailing bytes", written.dump() + "}", false},
        {"two objects", written.dump() + written.dump(), false},
        {"bytes that are not UTF-8", withByte(written.dump(), "jump", '\xff'), false},
        {"a raw control character", R"({"event":"a)" "\x01" R"(","distinct_id":"d","properties":{},)"
                                    R"("timestamp":"2024-05-01T12:00:00.123Z",)"
                                    R"("uuid":"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C"})", false},
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
            if (json::parse(c.stored, nullptr, false).contains(madeUp)) continue;
            EXPECT_TRUE(sent.contains(madeUp));
            sent.erase(madeUp);
            oracle.erase(madeUp);
        }
        EXPECT_EQ(sent, oracle);
    }
}

TEST(StoredEventText, TheBodyIsJSONWithTheThreeMembersAndTheTextsInOrder) {
    const std::vector<std::string> texts{written.dump(), with(written, "event", "second").dump(2)};
    const auto body = ZeraZovStoredBatch::body("phc_\"quoted\"", texts, "2024-05-01T12:00:01.000Z");
    ASSERT_TRUE(body);
    const auto parsed = json::parse(*body);
    EXPECT_EQ(parsed, (json{{"api_key", "phc_\"quoted\""},
                            {"batch", {written, with(written, "event", "second")}},
                            {"sent_at", "2024-05-01T12:00:01.000Z"}}));
    EXPECT_EQ(json::parse(*ZeraZovStoredBatch::body("k", {}, "t")), (json{{"api_key", "k"}, {"batch", json::array()}, {"sent_at", "t"}}));
    EXPECT_FALSE(ZeraZovStoredBatch::body("bad \xff token", texts, "t"));
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
    };
    // Names in the order the loader sorts files of one birth time.
    for (std::size_t i = 0; i < stored.size(); ++i) {
        std::ofstream(queueFolder / ("A" + std::to_string(i)), std::ios::binary) << stored[i];
    }
    auto config = std::make_shared<ZeraZovConfig>(testing::testToken, server.url());
    platform::ManualMainQueue mainQueue;
    ZeraZovDebugLog::setEnabled(true);
    platform::LogCapture log;
    auto queue = ZeraZovQueue<ZeraZovEvent>::create(config, storage, nullptr,
                                                    QueueEndpoints::events(std::make_shared<ZeraZovApi>(config)),
                                                    mainQueue);
    ASSERT_EQ(queue->depth(), stored.size());
    queue->flush();
    queue->waitForDispatchedFlushes();
    for (int i = 0; i < 500 && queue->depth() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ZeraZovDebugLog::setEnabled(false);

    EXPECT_EQ(queue->depth(), 0u);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const auto body = json::parse(requests[0].body);
    EXPECT_EQ(body.size(), 3u);
    EXPECT_EQ(body["api_key"], testing::testToken);
    EXPECT_EQ(body["batch"], (json{written, with(written, "uuid", "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0D"),
                                   with(written, "event", "third")}));
    EXPECT_TRUE(log.contains("[ZeraZov] Dropping 2 stored record(s) that could not be read back"));
    queue->finishRemovals();
    EXPECT_TRUE(std::filesystem::is_empty(queueFolder));
}

}  // namespace
}  // namespace zerazov
