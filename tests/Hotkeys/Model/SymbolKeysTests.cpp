#include <gtest/gtest.h>

#include "Hotkeys/Private/Capitalization.h"
#include "Hotkeys/Key.h"
#include "Hotkeys/Private/LocalizedStrings.h"
#include "Hotkeys/ModifierFlags.h"
#include "Hotkeys/Private/SymbolKeys.h"

namespace {

using Hotkeys::SpecialKey;

TEST(SpecialKeyTest, EveryCaseHasItsOwnKeyCode) {
    const auto& map = Hotkeys::specialKeyCodeMap();
    ASSERT_EQ(map.size(), 53u);
    for (int i = 0; i <= static_cast<int>(SpecialKey::keypadPlus); ++i) {
        const auto key = static_cast<SpecialKey>(i);
        EXPECT_EQ(Hotkeys::specialKey(Hotkeys::keyCode(key)), key) << i;
    }
}

TEST(SpecialKeyTest, LooksUpByKeyCode) {
    EXPECT_EQ(Hotkeys::specialKey(124), SpecialKey::rightArrow);
    EXPECT_EQ(Hotkeys::specialKey(Hotkeys::Key::f17.rawValue), SpecialKey::f17);
    EXPECT_EQ(Hotkeys::specialKey(71), SpecialKey::keypadClear);
    EXPECT_FALSE(Hotkeys::specialKey(Hotkeys::Key::a.rawValue));
    EXPECT_FALSE(Hotkeys::specialKey(Hotkeys::Key::command.rawValue));
}

TEST(SpecialKeyTest, FunctionKeysShowTheirNumberAndMapToConsecutiveMenuCharacters) {
    for (int n = 0; n < 20; ++n) {
        const auto key = static_cast<SpecialKey>(static_cast<int>(SpecialKey::f1) + n);
        EXPECT_EQ(Hotkeys::presentableDescription(key), "F" + std::to_string(n + 1));
        EXPECT_EQ(Hotkeys::keyEquivalent(key), Hotkeys::stringFromUnicodeScalar(0xF704 + static_cast<std::uint32_t>(n)));
    }
}

TEST(SpecialKeyTest, OnlyKeypadKeysLackAKeyEquivalent) {
    for (int i = 0; i <= static_cast<int>(SpecialKey::keypadPlus); ++i) {
        const auto key = static_cast<SpecialKey>(i);
        const bool keypad = i >= static_cast<int>(SpecialKey::keypad0);
        EXPECT_EQ(Hotkeys::keyEquivalent(key).has_value(), !keypad) << i;
    }
}

TEST(SpecialKeyTest, SpaceShowsTheLocalizedText) {
    EXPECT_EQ(Hotkeys::presentableDescription(SpecialKey::space), "空格");
    EXPECT_EQ(Hotkeys::keyEquivalent(SpecialKey::space), " ");
}

TEST(LocalizedStringsTest, UnknownKeysReadAsThemselves) {
    EXPECT_EQ(Hotkeys::localizedString("space_key"), "空格");
    EXPECT_EQ(Hotkeys::localizedString("no_such_key"), "no_such_key");
}

TEST(CapitalizationTest, UppercasesTheFirstLetterOfEachWord) {
    EXPECT_EQ(Hotkeys::capitalized("a"), "A");
    EXPECT_EQ(Hotkeys::capitalized("é"), "É");
    EXPECT_EQ(Hotkeys::capitalized("ф"), "Ф");
    EXPECT_EQ(Hotkeys::capitalized("space bar"), "Space Bar");
    EXPECT_EQ(Hotkeys::capitalized("sPACE"), "Space");
}

TEST(CapitalizationTest, LeavesCaselessTextAndBrokenBytesAlone) {
    EXPECT_EQ(Hotkeys::capitalized("1"), "1");
    EXPECT_EQ(Hotkeys::capitalized("´"), "´");
    EXPECT_EQ(Hotkeys::capitalized("空格"), "空格");
    EXPECT_EQ(Hotkeys::capitalized(""), "");
    EXPECT_EQ(Hotkeys::capitalized("\xff" "a\xc3"), "\xff" "A\xc3");
}

}  // namespace
