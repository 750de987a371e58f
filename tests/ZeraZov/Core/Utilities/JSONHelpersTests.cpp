#include <gtest/gtest.h>

#include <limits>

#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

std::string dropLine(const std::string& key) {
    return "[ZeraZov] property: " + key + " isn't serializable, dropping the item";
}

class SanitizeDictionaryTest : public ::testing::Test {
protected:
    tessivar::testing::DebugLogSwitch debug;
    platform::LogCapture logs;
};

TEST_F(SanitizeDictionaryTest, KeepsNestedValuesWhole) {
    const json properties = {
        {"name", "日本 🚀"}, {"count", 3},
        {"ratio", 0.5},     {"flag", false},
        {"none", nullptr},  {"nested", {{"list", {1, "two", {{"deep", true}}}}, {"empty", json::object()}}}};
    EXPECT_EQ(sanitizeDictionary(properties), properties);
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(SanitizeDictionaryTest, DropsNonFiniteNumbersAtAnyDepthWithTheirKey) {
    const json properties = {
        {"keep", 1}, {"nan", kNaN}, {"list", {1, 2, kInfinity}}, {"deep", {{"a", {{"b", {-kInfinity}}}}}}};
    EXPECT_EQ(sanitizeDictionary(properties), json({{"keep", 1}}));
    EXPECT_EQ(logs.lines(), (std::vector<std::string>{dropLine("deep"), dropLine("list"), dropLine("nan")}));
}

TEST_F(SanitizeDictionaryTest, DropsTextThatIsNotUTF8) {
    const json properties = {{"keep", "caf\xC3\xA9"},
                             {"stray", "\x80"},
                             {"overlong", "\xC0\xAF"},
                             {"surrogate", "\xED\xA0\x80"},
                             {"truncated", "\xE6\x97"},
                             {"nestedKey", {{"bad\xFF", 1}}},
                             {"nestedText", {{"x", {"ok", "\xF5\x80\x80\x80"}}}}};
    EXPECT_EQ(sanitizeDictionary(properties), json({{"keep", "caf\xC3\xA9"}}));
    EXPECT_EQ(logs.lines().size(), 6u);
    EXPECT_TRUE(logs.contains(dropLine("nestedKey")));

    logs.clear();
    EXPECT_EQ(sanitizeDictionary(json{{"k\xFFy", 1}, {"ok", 2}}), json({{"ok", 2}}));
    EXPECT_EQ(logs.lines(), std::vector<std::string>{dropLine("k?y")});
}

TEST_F(SanitizeDictionaryTest, DropsBinaryValues) {
    EXPECT_EQ(sanitizeDictionary(json{{"bytes", json::binary({1, 2})}, {"ok", 1}}), json({{"ok", 1}}));
    EXPECT_TRUE(logs.contains(dropLine("bytes")));
}

TEST_F(SanitizeDictionaryTest, NothingForNothingAndAnEmptyObjectWhenAllIsDropped) {
    EXPECT_FALSE(sanitizeDictionary(nullptr));
    EXPECT_FALSE(sanitizeDictionary(json::object()));
    EXPECT_FALSE(sanitizeDictionary(json::array({1})));
    EXPECT_EQ(sanitizeDictionary(json{{"nan", kNaN}}), json::object());
}

TEST_F(SanitizeDictionaryTest, SilentWhileTheDebugSwitchIsOff) {
    tessivar::testing::DebugLogSwitch off(false);
    EXPECT_EQ(sanitizeDictionary(json{{"nan", kNaN}}), json::object());
    EXPECT_TRUE(logs.lines().empty());
}

// ASCII is checked eight bytes at a time, so every sequence is tried at every
// offset of a long text, on both sides of a word's edge and at the very end.
TEST(IsValidUTF8, ASequenceCountsWhereverItSitsInLongText) {
    const struct {
        const char* sequence;
        bool valid;
    } sequences[] = {{"\xC3\xA9", true},      {"\xF0\x9F\x99\x82", true}, {"\x80", false}, {"\xC0\xAF", false},
                     {"\xED\xA0\x80", false}, {"\xE6\x97", false},        {"\xFF", false}, {"\x7F", true}};
    for (const auto& [sequence, valid] : sequences) {
        for (std::size_t offset = 0; offset <= 20; ++offset) {
            for (const std::size_t after : {std::size_t{0}, std::size_t{3}, std::size_t{11}}) {
                const std::string text = std::string(offset, 'a') + sequence + std::string(after, 'b');
                EXPECT_EQ(isValidUTF8(text), valid) << "offset " << offset << ", " << after << " after";
            }
        }
    }
}

TEST(IsValidJSONValue, WalksNestingDeeperThanTheStackWouldAllow) {
    json deep = kNaN;
    for (int i = 0; i < 200000; ++i) deep = json::array({std::move(deep)});
    EXPECT_FALSE(isValidJSONValue(deep));
    EXPECT_TRUE(isValidJSONValue(json::array({json::array({1.5, "ok"})})));
}

TEST(JSONData, WritesSanitisedObjectsOnly) {
    EXPECT_FALSE(toJSONData(json::object()));
    EXPECT_FALSE(toJSONData(nullptr));
    EXPECT_EQ(toJSONData(json{{"b", 1}, {"a", kNaN}, {"c", "x"}}), R"({"b":1,"c":"x"})");
    EXPECT_EQ(toJSONData(json{{"a", 1}}, 2), "{\n  \"a\": 1\n}");
}

TEST(JSONData, ReadsObjectsOnly) {
    EXPECT_EQ(jsonObject(R"({"a":[1,2]})"), json({{"a", {1, 2}}}));
    EXPECT_FALSE(jsonObject("[1,2]"));
    EXPECT_FALSE(jsonObject("\"text\""));
    EXPECT_FALSE(jsonObject("{\"a\":"));
    EXPECT_FALSE(jsonObject(""));
    EXPECT_FALSE(jsonObject("{\"a\":\"\xFF\"}"));
}

}  // namespace
}  // namespace zerazov
