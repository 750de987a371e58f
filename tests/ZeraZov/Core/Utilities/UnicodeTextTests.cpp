#include <gtest/gtest.h>

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

TEST(UnicodeText, TrimsUnicodeSpaceAndLineBreaksFromBothEndsOnly) {
    EXPECT_EQ(trimmedWhitespaceAndNewlines(" \t\r\n\v\f hi there \n"), "hi there");
    // no-break space, ideographic space, line separator, next line
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\xC2\xA0\xE3\x80\x80x\xE2\x80\xA8\xC2\x85"), "x");
    // A zero-width space is not white space; broken bytes are neither taken for it nor stepped over.
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\xE2\x80\x8Bz"), "\xE2\x80\x8Bz");
    EXPECT_EQ(trimmedWhitespaceAndNewlines("\xA0 x \xC2"), "\xA0 x \xC2");
    EXPECT_TRUE(isBlank(" \n\t\xE2\x80\x83"));
    EXPECT_FALSE(isBlank(" . "));
}

TEST(UnicodeText, RepairReplacesEachBadByteAndKeepsValidText) {
    const std::string valid = "caf\xC3\xA9, \xF0\x9F\x98\x80, \xE4\xB8\xAD\xE6\x96\x87";
    EXPECT_EQ(validUTF8(valid), valid);
    EXPECT_EQ(validUTF8("a\xFF"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(validUTF8("\xC3"), "\xEF\xBF\xBD");                                  // cut short
    EXPECT_EQ(validUTF8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");                  // overlong '/'
    EXPECT_EQ(validUTF8("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");  // a surrogate
    EXPECT_EQ(validUTF8("\xF4\x90\x80\x80").size(), 12u);                          // beyond U+10FFFF
}

}  // namespace
}  // namespace zerazov
