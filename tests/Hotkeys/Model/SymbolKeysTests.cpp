#include <gtest/gtest.h>

#include "Hotkeys/Key.h"
#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Private/Capitalization.h"
#include "Hotkeys/Private/LocalizedStrings.h"
#include "Hotkeys/Private/SymbolKeys.h"

namespace {

using hotkeys::SpecialKey;

TEST(SpecialKeyTest, EveryCaseHasItsOwnKeyCode) {
    const auto& map = hotkeys::specialKeyCodeMap();
    ASSERT_EQ(map.size(), 53u);
    for (int i = 0; i <= static_cast<int>(SpecialKey::keypadPlus); ++i) {
        const auto key = static_cast<SpecialKey>(i);
        EXPECT_EQ(hotkeys::specialKey(hotkeys::keyCode(key)), key) << i;
    }
}

TEST(SpecialKeyTest, LooksUpByKeyCode) {
    EXPECT_EQ(hotkeys::specialKey(124), SpecialKey::rightArrow);
    EXPECT_EQ(hotkeys::specialKey(hotkeys::Key::f17.rawValue), SpecialKey::f17);
    EXPECT_EQ(hotkeys::specialKey(71), SpecialKey::keypadClear);
    EXPECT_FALSE(hotkeys::specialKey(hotkeys::Key::a.rawValue));
    EXPECT_FALSE(hotkeys::specialKey(hotkeys::Key::command.rawValue));
}

TEST(SpecialKeyTest, FunctionKeysShowTheirNumberAndMapToConsecutiveMenuCharacters) {
    for (int n = 0; n < 20; ++n) {
        const auto key = static_cast<SpecialKey>(static_cast<int>(SpecialKey::f1) + n);
        EXPECT_EQ(hotkeys::presentableDescription(key), "F" + std::to_string(n + 1));
        EXPECT_EQ(hotkeys::keyEquivalent(key),
                  hotkeys::stringFromUnicodeScalar(0xF704 + static_cast<std::uint32_t>(n)));
    }
}

TEST(SpecialKeyTest, OnlyKeypadKeysLackAKeyEquivalent) {
    for (int i = 0; i <= static_cast<int>(SpecialKey::keypadPlus); ++i) {
        const auto key = static_cast<SpecialKey>(i);
        const bool keypad = i >= static_cast<int>(SpecialKey::keypad0);
        EXPECT_EQ(hotkeys::keyEquivalent(key).has_value(), !keypad) << i;
    }
}

TEST(SpecialKeyTest, SpaceShowsTheLocalizedText) {
    EXPECT_EQ(hotkeys::presentableDescription(SpecialKey::space), "空格");
    EXPECT_EQ(hotkeys::keyEquivalent(SpecialKey::space), " ");
}

TEST(LocalizedStringsTest, UnknownKeysReadAsThemselves) {
    EXPECT_EQ(hotkeys::localizedString("space_key"), "空格");
    EXPECT_EQ(hotkeys::localizedString("no_such_key"), "no_such_key");
}

TEST(CapitalizationTest, UppercasesTheFirstLetterOfEachWord) {
    EXPECT_EQ(hotkeys::capitalized("a"), "A");
    EXPECT_EQ(hotkeys::capitalized("é"), "É");
    EXPECT_EQ(hotkeys::capitalized("ф"), "Ф");
    EXPECT_EQ(hotkeys::capitalized("space bar"), "Space Bar");
    EXPECT_EQ(hotkeys::capitalized("sPACE"), "Space");
}

TEST(CapitalizationTest, LeavesCaselessTextAndBrokenBytesAlone) {
    EXPECT_EQ(hotkeys::capitalized("1"), "1");
    EXPECT_EQ(hotkeys::capitalized("´"), "´");
    EXPECT_EQ(hotkeys::capitalized("空格"), "空格");
    EXPECT_EQ(hotkeys::capitalized(""), "");
    EXPECT_EQ(hotkeys::capitalized("\xff"
                                   "a\xc3"),
              "\xff"
              "A\xc3");
}

}  // namespace
