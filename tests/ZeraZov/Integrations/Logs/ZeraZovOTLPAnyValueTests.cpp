#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/Logs/Private/ZeraZovOTLPAnyValue.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

json anyValue(const json& value) { return otlpAnyValue(value).value_or(json("encoded to nothing")); }

TEST(OTLPAnyValueScalars, TextsAndBooleansKeepTheirKind) {
    EXPECT_EQ(anyValue("hi"), (json{{"stringValue", "hi"}}));
    EXPECT_EQ(anyValue(true), (json{{"boolValue", true}}));
    EXPECT_EQ(anyValue(false), (json{{"boolValue", false}}));
    EXPECT_EQ(anyValue("\xFF"), (json{{"stringValue", "\xEF\xBF\xBD"}}));
}

TEST(OTLPAnyValueScalars, IntegersAreDecimalTexts) {
    EXPECT_EQ(anyValue(42), (json{{"intValue", "42"}}));
    EXPECT_EQ(anyValue(-7), (json{{"intValue", "-7"}}));
    EXPECT_EQ(anyValue(std::numeric_limits<std::int64_t>::min()), (json{{"intValue", "-9223372036854775808"}}));
    EXPECT_EQ(anyValue(std::numeric_limits<std::int64_t>::max()), (json{{"intValue", "9223372036854775807"}}));
}

TEST(OTLPAnyValueScalars, IntegersAboveTheSignedRangeStayPositive) {
    EXPECT_EQ(anyValue(std::uint64_t{9223372036854775808ULL}), (json{{"intValue", "9223372036854775808"}}));
    EXPECT_EQ(anyValue(std::numeric_limits<std::uint64_t>::max()), (json{{"intValue", "18446744073709551615"}}));
    EXPECT_EQ(anyValue(json::parse("18446744073709551615")), (json{{"intValue", "18446744073709551615"}}));
}

TEST(OTLPAnyValueScalars, DoublesAreNumbersAndNonFiniteOnesAreTexts) {
    EXPECT_EQ(anyValue(1.5), (json{{"doubleValue", 1.5}}));
    EXPECT_TRUE(anyValue(1.5).at("doubleValue").is_number_float());
    EXPECT_EQ(anyValue(2.0), (json{{"doubleValue", 2.0}}));
    EXPECT_EQ(anyValue(std::numeric_limits<double>::quiet_NaN()), (json{{"stringValue", "NaN"}}));
    EXPECT_EQ(anyValue(std::numeric_limits<double>::infinity()), (json{{"stringValue", "Infinity"}}));
    EXPECT_EQ(anyValue(-std::numeric_limits<double>::infinity()), (json{{"stringValue", "-Infinity"}}));
}

TEST(OTLPAnyValueScalars, NullEncodesToNothing) { EXPECT_FALSE(otlpAnyValue(nullptr).has_value()); }

TEST(OTLPAnyValueCollections, ArraysKeepOrderAndLoseTheirNulls) {
    EXPECT_EQ(
        anyValue(json::array({"a", nullptr, 3, true})),
        (json{{"arrayValue", {{"values", {{{"stringValue", "a"}}, {{"intValue", "3"}}, {{"boolValue", true}}}}}}}));
    EXPECT_EQ(anyValue(json::array()), (json{{"arrayValue", {{"values", json::array()}}}}));
}

TEST(OTLPAnyValueCollections, NestedMapsAndArraysNestWithSortedKeysAtEveryLevel) {
    const json value = {{"z", {{"b", json::array({json{{"y", 1}, {"x", nullptr}}})}, {"a", 0.5}}}, {"m", "text"}};
    const json expected = {
        {"kvlistValue",
         {{"values",
           {{{"key", "m"}, {"value", {{"stringValue", "text"}}}},
            {{"key", "z"},
             {"value",
              {{"kvlistValue",
                {{"values",
                  {{{"key", "a"}, {"value", {{"doubleValue", 0.5}}}},
                   {{"key", "b"},
                    {"value",
                     {{"arrayValue",
                       {{"values",
                         {{{"kvlistValue",
                            {{"values", {{{"key", "y"}, {"value", {{"intValue", "1"}}}}}}}}}}}}}}}}}}}}}}}}}}}};
    EXPECT_EQ(anyValue(value), expected);
}

TEST(OTLPAnyValueCollections, NestingBeyondTheLimitIsLeftOut) {
    json deep = "bottom";
    for (int level = 0; level < 100000; ++level) deep = json::array({std::move(deep)});
    const auto encoded = otlpAnyValue(deep);
    ASSERT_TRUE(encoded.has_value());

    int arrays = 0;
    const json* current = &*encoded;
    while (current->contains("arrayValue")) {
        ++arrays;
        const auto& values = current->at("arrayValue").at("values");
        if (values.empty()) break;
        current = &values.at(0);
    }
    EXPECT_EQ(arrays, otlpMaxNesting);
}

TEST(OTLPAttributes, AreSortedByKeyAndSkipNullValues) {
    EXPECT_EQ(
        otlpAttributes(json{{"b", 1}, {"a", "x"}, {"c", nullptr}}),
        (json{{{"key", "a"}, {"value", {{"stringValue", "x"}}}}, {{"key", "b"}, {"value", {{"intValue", "1"}}}}}));
}

std::vector<std::string> keysOf(const json& list) {
    std::vector<std::string> keys;
    for (const auto& entry : list) keys.push_back(entry.at("key"));
    return keys;
}

// Scalar order after canonical composition, not a locale's and not the bytes as
// given. Keys alike once composed stay two entries, in the order of their own bytes.
TEST(OTLPAttributes, KeysAreOrderedByTheirComposedScalars) {
    const std::string composedE = "\xC3\xA9";     // U+00E9
    const std::string decomposedE = "e\xCC\x81";  // e, U+0301
    const std::string angstrom = "\xE2\x84\xAB";  // U+212B, which composes to U+00C5
    const std::string ringA = "\xC3\x85";         // U+00C5
    struct Case {
        const char* what;
        json map;
        std::vector<std::string> keys;
    };
    const std::vector<Case> cases{
        {"ASCII: upper case before lower case", {{"b", 1}, {"Zebra", 2}, {"apple", 3}}, {"Zebra", "apple", "b"}},
        {"a decomposed accent sorts as the composed letter",
         {{"f", 1}, {decomposedE + "x", 2}},
         {"f", decomposedE + "x"}},
        {"a composed accent", {{"f", 1}, {composedE + "x", 2}}, {"f", composedE + "x"}},
        {"accented letters after every ASCII letter",
         {{composedE + "t" + composedE, 1}, {"zoo", 2}},
         {"zoo", composedE + "t" + composedE}},
        {"alike after composition: by their own bytes",
         {{composedE, 1}, {decomposedE, 2}, {"f", 3}},
         {"f", decomposedE, composedE}},
        {"a singleton that composes to another letter",
         {{angstrom, 1}, {"\xC3\x86", 2}, {ringA, 3}},
         {ringA, angstrom, "\xC3\x86"}},
    };
    for (const auto& c : cases) EXPECT_EQ(keysOf(otlpAttributes(c.map)), c.keys) << c.what;
    // Nested maps follow the same order, and keys go out as they were given.
    const auto nested = otlpAttributes(json{{"m", {{"f", 1}, {decomposedE, 2}}}});
    EXPECT_EQ(keysOf(nested[0].at("value").at("kvlistValue").at("values")),
              (std::vector<std::string>{"f", decomposedE}));
}

TEST(OTLPAttributes, AnythingButAMapGivesAnEmptyList) {
    EXPECT_EQ(otlpAttributes(json::object()), json::array());
    EXPECT_EQ(otlpAttributes(json::array({1})), json::array());
    EXPECT_EQ(otlpAttributes(nullptr), json::array());
}

}  // namespace
}  // namespace zerazov
