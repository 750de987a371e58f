#include <gtest/gtest.h>

#include "Hotkeys/Shortcut.h"

namespace {

using hotkeys::Shortcut;

TEST(ShortcutCodingTest, EncodesKeyCodeFirstAsIntegers) {
    EXPECT_EQ(Shortcut(18, 2048).encoded(), R"({"carbonKeyCode":18,"carbonModifiers":2048})");
    EXPECT_EQ(Shortcut(-1, 0).encoded(), R"({"carbonKeyCode":-1,"carbonModifiers":0})");
}

TEST(ShortcutCodingTest, DecodesWhatItEncodes) {
    const Shortcut original(124, 0x21B00);
    EXPECT_EQ(Shortcut::decode(original.encoded()), original);
}

TEST(ShortcutCodingTest, AcceptsAnyMemberOrderAndIgnoresOtherMembers) {
    EXPECT_EQ(Shortcut::decode(R"({"carbonModifiers":2048,"carbonKeyCode":23})"), Shortcut(23, 2048));
    EXPECT_EQ(
        Shortcut::decode(R"( { "extra": [1, {"x": null}], "carbonKeyCode": 18, "carbonModifiers": 256, "z": "q" } )"),
        Shortcut(18, 256));
}

TEST(ShortcutCodingTest, KeepsTheStoredMaskUnreduced) {
    const auto decoded = Shortcut::decode(R"({"carbonKeyCode":18,"carbonModifiers":3072})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->carbonModifiers, 3072);  // caps lock stays as stored
    EXPECT_NE(*decoded, Shortcut(18, 3072));    // the constructor would reduce it
}

TEST(ShortcutCodingTest, RejectsMissingOrNonIntegerMembers) {
    const char* rejected[] = {
        R"({"carbonKeyCode":18})",
        R"({"carbonModifiers":2048})",
        R"({"carbonKeyCode":"18","carbonModifiers":2048})",
        R"({"carbonKeyCode":1.5,"carbonModifiers":2048})",
        R"({"carbonKeyCode":18,"carbonModifiers":true})",
        R"({"carbonKeyCode":null,"carbonModifiers":2048})",
        R"({"carbonKeyCode":18,"carbonModifiers":{}})",
        R"({"carbonKeyCode":9223372036854775808,"carbonModifiers":0})",
    };
    for (const char* text : rejected) EXPECT_FALSE(Shortcut::decode(text)) << text;
}

TEST(ShortcutCodingTest, RejectsTextThatIsNotAnObject) {
    const char* rejected[] = {"",
                              "[18, 2048]",
                              "18",
                              "null",
                              R"({"carbonKeyCode":18,"carbonModifiers":2048)",
                              R"({"carbonKeyCode":18,"carbonModifiers":2048} trailing)",
                              "\xff\xfe"};
    for (const char* text : rejected) EXPECT_FALSE(Shortcut::decode(text)) << text;
}

TEST(ShortcutCodingTest, TakesTheFullSignedRange) {
    const auto decoded =
        Shortcut::decode(R"({"carbonKeyCode":-9223372036854775808,"carbonModifiers":9223372036854775807})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->carbonKeyCode, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(decoded->carbonModifiers, std::numeric_limits<std::int64_t>::max());
}

}  // namespace
