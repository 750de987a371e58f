#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Private/zzcrash_utf8.h"

namespace {

TEST(Utf8ValidPrefix, EndsAtTheFirstBadSequence) {
    struct Case {
        std::string bytes;
        std::size_t prefix;
    };
    const Case cases[] = {
        {"", 0},
        {"\xEF\xBB\xBF"
         "A",
         4},  // a byte-order mark counts
        {"\xEF\xBB\xBF", 3},
        {"\xEF\xBB", 0},              // too short for a mark: a truncated character
        {"A\xC3", 1},                 // a lead byte with nothing after it
        {std::string("A\0B", 3), 1},  // a NUL ends it
        {"caf\xC3\xA9", 5},
        {"\xE2\x82\xAC"
         "1",
         4},                       // three bytes
        {"\xF0\x9F\x98\x80!", 5},  // four bytes
        {"ab\x80"
         "c",
         2},                            // a continuation byte cannot lead
        {"ab\xF8\x88\x80\x80\x80", 2},  // nor can a five-byte lead
        {"a\xE2\x28\xA1", 1},           // a bad continuation ends it before the lead
        {"a\xC0\xAF", 3},               // overlong forms are not checked
        {"\xED\xA0\x80", 3},            // nor are surrogates
        {"\xF4\x8F\xBF", 0},            // a four-byte lead with two bytes after it
    };
    for (const Case& c : cases) {
        EXPECT_EQ(zzcrash_utf8_valid_prefix_length(c.bytes.data(), c.bytes.size()), c.prefix) << c.bytes;
    }
    EXPECT_EQ(zzcrash_utf8_valid_length("caf\xC3\xA9\xFF"), 5u);
}

}  // namespace
