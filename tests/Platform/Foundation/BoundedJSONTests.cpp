#include "Platform/Foundation/BoundedJSON.h"

#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace platform {
namespace {

using nlohmann::json;
using ::testing::StartsWith;

std::string arrays(std::size_t depth, const std::string& inside = "") {
    return std::string(depth, '[') + inside + std::string(depth, ']');
}

std::string objects(std::size_t depth) {
    std::string text;
    for (std::size_t i = 0; i < depth; ++i) text += R"({"a":)";
    return text + "null" + std::string(depth, '}');
}

// Wide and shallow: `count` of `each` side by side in one array.
std::string sideBySide(std::size_t count, const std::string& each) {
    std::string text = "[";
    for (std::size_t i = 0; i < count; ++i) text += (i ? "," : "") + each;
    return text + "]";
}

// A flags answer as the server gives one: every flag with an object of its own
// and a metadata object in that, two levels each, far more of them than the
// bound's 512 levels.
std::string flagsAnswer(std::size_t flags) {
    json answer{{"flags", json::object()}};
    for (std::size_t i = 0; i < flags; ++i) {
        const auto key = "flag-" + std::to_string(i);
        answer["flags"][key] = {{"key", key}, {"enabled", true}, {"metadata", {{"id", i}, {"version", 1}}}};
    }
    return answer.dump();
}

struct DepthCase {
    const char* what;
    std::string text;
    bool read;
    const char* error = "";  // how the refusal's reason starts
};

// The bound is on the text: whatever a string holds (quotes, backslashes,
// brackets) must neither hide a bracket after it nor count as one.
TEST(BoundedJSON, ReadsTextsUpTo512DeepAndRefusesDeeperWhateverTheirStringsHold) {
    const char* tooDeep = "nested deeper than 512 levels";
    const std::string veryDeep = arrays(100'000);
    const std::vector<DepthCase> cases{
        {"arrays 512 deep", arrays(512), true},
        {"arrays 513 deep", arrays(513), false, tooDeep},
        {"objects 512 deep", objects(512), true},
        {"objects 513 deep", objects(513), false, tooDeep},
        {"512 deep twice over, side by side", "[" + arrays(511) + "," + arrays(511) + "]", true},
        {"600 arrays side by side", sideBySide(600, "[]"), true},
        {"600 objects side by side", sideBySide(600, "{}"), true},
        {"a flags answer with 300 flags, each with a metadata object", flagsAnswer(300), true},
        {"unfinished, 100,000 deep", std::string(100'000, '['), false, tooDeep},
        {"an escaped quote does not end its string", R"(["\"", )" + veryDeep + "]", false, tooDeep},
        {"an escaped backslash does not escape the quote", R"(["\\", )" + veryDeep + "]", false, tooDeep},
        {"an escaped quote in a key", R"({"a\"": )" + veryDeep + "}", false, tooDeep},
        {"a quote spelled in hex", R"(["\u0022", )" + veryDeep + "]", false, tooDeep},
        {"closing brackets in a string close nothing", R"(["]]]}}}", )" + arrays(512) + "]", false, tooDeep},
        {"opening brackets in a string open nothing", R"(["[[[{{{\"\\", )" + arrays(511) + "]", true},
        {"brackets and quotes in a key", R"({"[[\"{{\\": )" + arrays(511) + "}", true},
        {"a repeated key is measured by its first value", R"({"a": )" + arrays(600) + R"(, "a": 1})", false, tooDeep},
        {"every kind of value, the last of a repeated key kept",
         R"({"kinds": [1, -2, 18446744073709551615, 1.5e300, "s\u00e9", true, false, null, {}, []],)"
         R"( "b": {"c": [[]]}, "a": [1], "a": {"x": 1, "x": [2]}})",
         true},
        {"no JSON", "[1,", false, "[json.exception.parse_error"},
        {"a bracket too many", arrays(3) + "]", false, "[json.exception.parse_error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = BoundedJSON::parse(c.text);
        ASSERT_EQ(static_cast<bool>(result), c.read) << result.failure();
        if (c.read) {
            // The text, not the value: values compare a signed and an unsigned number as equal.
            EXPECT_EQ(result->dump(), json::parse(c.text).dump());
            EXPECT_FALSE(result.failure());
        } else {
            EXPECT_THAT(*result.failure(), StartsWith(c.error));
        }
    }
}

}  // namespace
}  // namespace platform
