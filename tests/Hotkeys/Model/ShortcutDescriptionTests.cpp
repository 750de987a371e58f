#include <gtest/gtest.h>

#include "Hotkeys/Key.h"
#include "Hotkeys/Shortcut.h"
#include "LayoutFixture.h"

namespace {

using hotkeys::Key;
using hotkeys::ModifierFlags;
using hotkeys::Shortcut;

constexpr std::int64_t kOption = 2048;
constexpr std::int64_t kCommand = 256;
constexpr std::int64_t kControl = 4096;
constexpr std::int64_t kShift = 512;

class ShortcutDescriptionTest : public tessivar::testing::LayoutFixture {};

TEST_F(ShortcutDescriptionTest, DigitKeysWithOptionReadAsTheirDigits) {
    EXPECT_EQ(Shortcut(18, kOption).description(), "⌥1");
    EXPECT_EQ(Shortcut(23, kOption).description(), "⌥5");
    EXPECT_EQ(Shortcut(Key::eight, ModifierFlags{ModifierFlags::option}).description(), "⌥8");
}

TEST_F(ShortcutDescriptionTest, LettersAreCapitalizedAfterTheModifiersInFixedOrder) {
    EXPECT_EQ(Shortcut(0, kShift | kCommand).description(), "⇧⌘A");
    EXPECT_EQ(Shortcut(12, kCommand | kControl).description(), "⌃⌘Q");
}

TEST_F(ShortcutDescriptionTest, TheKeyReadsAsWhatTheLayoutTypesNotAsItsName) {
    layout.setCharacter(12, "a");
    EXPECT_EQ(Shortcut(Key::q, ModifierFlags{}).description(), "A");
    layout.setCharacter(19, "é");
    EXPECT_EQ(Shortcut(19, kOption).description(), "⌥É");
}

TEST_F(ShortcutDescriptionTest, SpecialKeysShowTheirSymbols) {
    const auto commandRight =
        Shortcut::fromKeyEvent(true, 124, ModifierFlags{ModifierFlags::command | ModifierFlags::function});
    ASSERT_TRUE(commandRight);
    EXPECT_EQ(commandRight->description(), "⌘→");
    EXPECT_EQ(Shortcut(Key::f5, ModifierFlags{}).description(), "F5");
    EXPECT_EQ(Shortcut(Key::escape, ModifierFlags{}).description(), "⎋");
    EXPECT_EQ(Shortcut(Key::help, ModifierFlags{}).description(), "?\u20DD");
}

TEST_F(ShortcutDescriptionTest, SpaceReadsAsTheLocalizedSpaceText) {
    EXPECT_EQ(Shortcut(49, kControl).description(), "⌃空格");
    EXPECT_EQ(Shortcut(49, 0).description(), "空格");
}

TEST_F(ShortcutDescriptionTest, KeypadKeysHaveADescriptionButNoKeyEquivalent) {
    for (const Key& key : {Key::keypad0, Key::keypad5, Key::keypadClear, Key::keypadEnter, Key::keypadPlus}) {
        const Shortcut shortcut(key, ModifierFlags{ModifierFlags::option});
        EXPECT_FALSE(shortcut.keyEquivalent()) << key.rawValue;
        EXPECT_EQ(shortcut.description().rfind("⌥", 0), 0u) << key.rawValue;
        EXPECT_EQ(shortcut.description().find("Num"), std::string("⌥").size()) << key.rawValue;
    }
    EXPECT_EQ(Shortcut(Key::keypad5, ModifierFlags{}).description(), "Num5");
    EXPECT_EQ(Shortcut(Key::keypadEnter, ModifierFlags{}).description(), "Num↩");
}

TEST_F(ShortcutDescriptionTest, AKeyWithoutACharacterShowsTheReplacementCharacter) {
    layout.setCharacter(18, std::nullopt);
    EXPECT_EQ(Shortcut(18, kOption).description(), "⌥\uFFFD");
    EXPECT_FALSE(Shortcut(18, kOption).keyEquivalent());
    layout.setCharacter(18, "");
    EXPECT_EQ(Shortcut(18, 0).description(), "\uFFFD");
}

TEST_F(ShortcutDescriptionTest, NoLayoutShowsTheReplacementCharacterButKeepsSpecialKeys) {
    useNoLayout();
    EXPECT_EQ(Shortcut(0, kCommand).description(), "⌘\uFFFD");
    EXPECT_FALSE(Shortcut(0, kCommand).keyToCharacter());
    EXPECT_EQ(Shortcut(Key::rightArrow, ModifierFlags{}).description(), "→");
}

TEST_F(ShortcutDescriptionTest, KeyEquivalentIsTheUncapitalizedCharacterOrTheSpecialKeysOwn) {
    EXPECT_EQ(Shortcut(0, kCommand).keyEquivalent(), "a");
    EXPECT_EQ(Shortcut(Key::space, ModifierFlags{}).keyEquivalent(), " ");
    EXPECT_EQ(Shortcut(Key::f1, ModifierFlags{}).keyEquivalent(), "\uF704");
    EXPECT_EQ(Shortcut(Key::f20, ModifierFlags{}).keyEquivalent(), "\uF717");
    EXPECT_EQ(Shortcut(Key::return_, ModifierFlags{}).keyEquivalent(), "↩");
}

TEST_F(ShortcutDescriptionTest, SpecialKeysAreNeverTranslatedThroughTheLayout) {
    EXPECT_FALSE(Shortcut(Key::space, ModifierFlags{}).keyToCharacter());
    (void)Shortcut(Key::tab, ModifierFlags{}).description();
    EXPECT_TRUE(layout.requestedKeyCodes().empty());
}

TEST_F(ShortcutDescriptionTest, KeyCodesOutsideSixteenBitsNeverReachTheLayout) {
    // 65536 + 12 would read as key 12 once narrowed to the layout's 16 bits.
    for (const std::int64_t code : {std::int64_t{65536 + 12}, std::int64_t{-1}, std::int64_t{1} << 40}) {
        const Shortcut shortcut(code, kOption);
        EXPECT_EQ(shortcut.description(), "⌥\uFFFD") << code;
        EXPECT_FALSE(shortcut.keyEquivalent()) << code;
    }
    EXPECT_TRUE(layout.requestedKeyCodes().empty());
    EXPECT_EQ(Shortcut(65535, 0).description(), "\uFFFD");
    EXPECT_EQ(layout.requestedKeyCodes(), std::vector<std::uint16_t>{65535});
}

}  // namespace
