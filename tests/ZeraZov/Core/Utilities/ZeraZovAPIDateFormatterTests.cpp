#include <gtest/gtest.h>

#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"

namespace zerazov {
namespace {

using namespace std::chrono;
using Date = ZeraZovAPIDateFormatter::Date;

const Date kNoon = sys_days{2024y / May / 1} + 12h;

TEST(ZeraZovAPIDateFormatter, ReadsBothFormsAsUTC) {
    EXPECT_EQ(toISO8601Date("2024-05-01T12:00:00.123Z"), kNoon + 123ms);
    EXPECT_EQ(toISO8601Date("2024-05-01T12:00:00Z"), kNoon);
    EXPECT_EQ(toISO8601Date("2024-02-29T23:59:59Z"), sys_days{2024y / February / 29} + 23h + 59min + 59s);
}

TEST(ZeraZovAPIDateFormatter, RejectsEverythingElse) {
    for (const char* text :
         {"", "2024-05-01 12:00:00", "2024-05-01T12:00:00", "2024-05-01T12:00:00.12Z", "2024-05-01T12:00:00.1234Z",
          "2024-05-01T12:00:00.123+01:00", "2024-05-01T12:00:00Zx", "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z",
          "2024-05-01T24:00:00Z", "2024-05-01T12:60:00Z", "2024-05-01T12:00:60Z", "2024-5-01T12:00:00Z",
          "+024-05-01T12:00:00Z", "2024-05-01T12:00:00.12aZ"}) {
        EXPECT_FALSE(toISO8601Date(text)) << text;
    }
}

// Date counts nanoseconds in 64 bits; a stored year outside its span used to
// overflow into some other date.
TEST(ZeraZovAPIDateFormatter, ReadsOnlyDatesTheClockCanHold) {
    for (const char* text : {"0000-01-01T00:00:00Z", "1012-05-01T12:30:45Z", "1677-09-21T00:12:43.145Z",
                             "2262-04-11T23:47:16.855Z", "2262-04-12T00:00:00Z", "9999-12-31T23:59:59.999Z"}) {
        EXPECT_FALSE(toISO8601Date(text)) << text;
    }
    for (const char* text : {"1677-09-21T00:12:43.146Z", "2262-04-11T23:47:16.854Z"}) {
        const auto date = toISO8601Date(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(toISO8601String(*date), text);
    }
}

TEST(ZeraZovAPIDateFormatter, WritesMillisecondsTruncatedInUTC) {
    EXPECT_EQ(toISO8601String(kNoon + 123456789ns), "2024-05-01T12:00:00.123Z");
    EXPECT_EQ(toISO8601String(kNoon), "2024-05-01T12:00:00.000Z");
    EXPECT_EQ(toISO8601String(Date{} - 1ms), "1969-12-31T23:59:59.999Z");
    const Date written = kNoon + 45min + 7s + 9ms;
    EXPECT_EQ(toISO8601Date(toISO8601String(written)), written);
}

TEST(ZeraZovAPIDateFormatter, UnixNanosecondsAsPlainDecimal) {
    EXPECT_EQ(unixNanosString(kNoon + 123456789ns), "1714564800123456789");
    // From 2001-09-09 on the count has 19 digits.
    EXPECT_EQ(unixNanosString(Date{seconds{1000000000}}), "1000000000000000000");
    EXPECT_EQ(unixNanosString(Date{seconds{999999999}}), "999999999000000000");
    EXPECT_EQ(unixNanosString(Date{} - 1s), "0");
    const std::string now = nowUnixNanosString();
    EXPECT_EQ(now.size(), 19u);
    EXPECT_EQ(now.find_first_not_of("0123456789"), std::string::npos);
}

}  // namespace
}  // namespace zerazov
