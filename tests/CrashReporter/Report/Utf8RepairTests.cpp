#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Report/Private/zzcrash_utf8_repair.h"

namespace {

const std::string R = "\xEF\xBF\xBD";  // U+FFFD

std::string replacements(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += R;
    return text;
}

// The expected results are the Unicode Standard's own examples of U+FFFD
// substitution of maximal subparts (section 3.9, tables 3-8 to 3-12).
TEST(Utf8Repair, EachMaximalIllFormedSubpartBecomesOneReplacementCharacter) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string repaired;
    };
    const Case cases[] = {
        {"table 3-8", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
         "a" + replacements(3) + "b" + R + "c" + replacements(2) + "d"},
        {"non-shortest forms", "\xC0\xAF\xE0\x80\xBF\xF0\x81\x82\x41", replacements(8) + "A"},
        {"surrogates", "\xED\xA0\x80\xED\xBF\xBF\xED\xAF\x41", replacements(8) + "A"},
        {"other ill-formed", "\xF4\x91\x92\x93\xFF\x41\x80\xBF\x42", replacements(5) + "A" + replacements(2) + "B"},
        {"truncated sequences", "\xE1\x80\xE2\xF0\x91\x92\xF1\xBF\x41", replacements(4) + "A"},
        {"a cut at the end", "caf\xC3", "caf" + R},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", replacements(4)},
        {"the last code point", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
        {"well formed", "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80",
         "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80"},
        {"empty", "", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(zzcrash_utf8_repaired(c.bytes), c.repaired) << c.what;
}

}  // namespace
