#include <gtest/gtest.h>

#include <unordered_set>

#include "Hotkeys/Key.h"
#include "Hotkeys/Shortcut.h"

namespace {

using hotkeys::Key;
using hotkeys::ModifierFlags;
using hotkeys::Shortcut;

TEST(ShortcutValueTest, ConstructorFromKeyCodeKeepsOnlyTheFiveShortcutModifiers) {
    EXPECT_EQ(Shortcut(18, 2048 | 1024).carbonModifiers, 2048);  // caps lock
    EXPECT_EQ(Shortcut(18, 0x21B00 | 0x4000 | 0x1).carbonModifiers, 0x21B00);
    EXPECT_EQ(Shortcut(-5, 0).carbonKeyCode, -5);
}

TEST(ShortcutValueTest, ConstructorFromKeyAndFlagsTakesTheCarbonMask) {
    const Shortcut optionOne(Key::one, ModifierFlags{ModifierFlags::option});
    EXPECT_EQ(optionOne.carbonKeyCode, 18);
    EXPECT_EQ(optionOne.carbonModifiers, 2048);
    const Shortcut noisy(Key::a,
                         ModifierFlags{ModifierFlags::command | ModifierFlags::capsLock | ModifierFlags::numericPad});
    EXPECT_EQ(noisy.carbonModifiers, 256);
    EXPECT_EQ(Shortcut(Key::a, ModifierFlags{ModifierFlags::function}).carbonModifiers, 0x20000);
}

TEST(ShortcutValueTest, KeyEventsDropTheFunctionFlag) {
    const auto shortcut = Shortcut::fromKeyEvent(
        true, 124, ModifierFlags{ModifierFlags::command | ModifierFlags::function | ModifierFlags::numericPad});
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(*shortcut, Shortcut(124, 256));
}

TEST(ShortcutValueTest, OtherEventsGiveNoShortcut) {
    EXPECT_FALSE(Shortcut::fromKeyEvent(false, 18, ModifierFlags{ModifierFlags::option}));
}

TEST(ShortcutValueTest, EqualityAndHashFollowBothFields) {
    std::unordered_set<Shortcut> set{Shortcut(18, 2048), Shortcut(18, 2048), Shortcut(18, 256), Shortcut(19, 2048)};
    EXPECT_EQ(set.size(), 3u);
    EXPECT_NE(Shortcut(18, 2048), Shortcut(19, 2048));
    EXPECT_NE(Shortcut(18, 2048), Shortcut(18, 256));
}

TEST(KeyTest, DigitKeysFollowThePhysicalRowNotTheDigits) {
    const Key digits[] = {Key::zero, Key::one, Key::two,   Key::three, Key::four,
                          Key::five, Key::six, Key::seven, Key::eight, Key::nine};
    const std::int64_t codes[] = {29, 18, 19, 20, 21, 23, 22, 26, 28, 25};
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(digits[i].rawValue, codes[i]) << i;
}

TEST(KeyTest, NamedKeysAreAllDistinct) {
    const Key all[] = {
        Key::a,
        Key::b,
        Key::c,
        Key::d,
        Key::e,
        Key::f,
        Key::g,
        Key::h,
        Key::i,
        Key::j,
        Key::k,
        Key::l,
        Key::m,
        Key::n,
        Key::o,
        Key::p,
        Key::q,
        Key::r,
        Key::s,
        Key::t,
        Key::u,
        Key::v,
        Key::w,
        Key::x,
        Key::y,
        Key::z,
        Key::zero,
        Key::one,
        Key::two,
        Key::three,
        Key::four,
        Key::five,
        Key::six,
        Key::seven,
        Key::eight,
        Key::nine,
        Key::capsLock,
        Key::shift,
        Key::function,
        Key::control,
        Key::option,
        Key::command,
        Key::rightCommand,
        Key::rightOption,
        Key::rightControl,
        Key::rightShift,
        Key::return_,
        Key::backslash,
        Key::backtick,
        Key::comma,
        Key::equal,
        Key::minus,
        Key::period,
        Key::quote,
        Key::semicolon,
        Key::slash,
        Key::space,
        Key::tab,
        Key::leftBracket,
        Key::rightBracket,
        Key::pageUp,
        Key::pageDown,
        Key::home,
        Key::end,
        Key::upArrow,
        Key::rightArrow,
        Key::downArrow,
        Key::leftArrow,
        Key::escape,
        Key::delete_,
        Key::deleteForward,
        Key::help,
        Key::mute,
        Key::volumeUp,
        Key::volumeDown,
        Key::f1,
        Key::f2,
        Key::f3,
        Key::f4,
        Key::f5,
        Key::f6,
        Key::f7,
        Key::f8,
        Key::f9,
        Key::f10,
        Key::f11,
        Key::f12,
        Key::f13,
        Key::f14,
        Key::f15,
        Key::f16,
        Key::f17,
        Key::f18,
        Key::f19,
        Key::f20,
        Key::keypad0,
        Key::keypad1,
        Key::keypad2,
        Key::keypad3,
        Key::keypad4,
        Key::keypad5,
        Key::keypad6,
        Key::keypad7,
        Key::keypad8,
        Key::keypad9,
        Key::keypadClear,
        Key::keypadDecimal,
        Key::keypadDivide,
        Key::keypadEnter,
        Key::keypadEquals,
        Key::keypadMinus,
        Key::keypadMultiply,
        Key::keypadPlus,
    };
    ASSERT_EQ(std::size(all), 113u);
    std::unordered_set<std::int64_t> codes;
    for (const Key& key : all) {
        EXPECT_TRUE(codes.insert(key.rawValue).second) << "duplicate key code " << key.rawValue;
        EXPECT_GE(key.rawValue, 0);
        EXPECT_LE(key.rawValue, 127);
    }
}

}  // namespace
