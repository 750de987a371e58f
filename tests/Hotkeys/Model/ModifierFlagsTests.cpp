#include <gtest/gtest.h>

#include "Hotkeys/ModifierFlags.h"

namespace {

using hotkeys::ModifierFlags;

TEST(ModifierFlagsTest, AllFiveModifiersConvertToCarbonAndShowInFixedOrder) {
    const ModifierFlags all{ModifierFlags::command | ModifierFlags::function | ModifierFlags::shift |
                            ModifierFlags::option | ModifierFlags::control};
    EXPECT_EQ(all.carbon(), 0x21B00);
    EXPECT_EQ(all.presentableDescription(), "⌃⌥⇧⌘🌐\uFE0E");
}

TEST(ModifierFlagsTest, CapsLockAndNumericPadHaveNoCarbonBitAndNoSymbol) {
    const ModifierFlags capsLock{ModifierFlags::capsLock};
    EXPECT_EQ(capsLock.carbon(), 0);
    EXPECT_EQ(capsLock.presentableDescription(), "");
    EXPECT_EQ(ModifierFlags{ModifierFlags::numericPad | ModifierFlags::shift}.carbon(), 0x200);
}

TEST(ModifierFlagsTest, CarbonMaskConvertsBackOverTheSameFiveBits) {
    EXPECT_EQ(ModifierFlags::fromCarbon(0x400), ModifierFlags{});
    EXPECT_EQ(ModifierFlags::fromCarbon(0x20000), ModifierFlags{ModifierFlags::function});
    EXPECT_EQ(ModifierFlags::fromCarbon(0x1000 | 0x100),
              ModifierFlags{ModifierFlags::control | ModifierFlags::command});
    EXPECT_EQ(hotkeys::reducedCarbonModifiers(0x21B00 | 0x400 | 0x4000 | 0x80), 0x21B00);
}

TEST(UnicodeScalarTest, EncodesScalarsAsUtf8) {
    EXPECT_EQ(hotkeys::stringFromUnicodeScalar(0xF704), "\uF704");
    EXPECT_EQ(hotkeys::stringFromUnicodeScalar('A'), "A");
    EXPECT_EQ(hotkeys::stringFromUnicodeScalar(0xE9), "é");
    EXPECT_EQ(hotkeys::stringFromUnicodeScalar(0x1F310), "🌐");
    EXPECT_EQ(hotkeys::stringFromUnicodeScalar(0x10FFFF), "\U0010FFFF");
}

TEST(UnicodeScalarTest, RejectsSurrogatesAndValuesPastUnicode) {
    EXPECT_FALSE(hotkeys::stringFromUnicodeScalar(0xD800));
    EXPECT_FALSE(hotkeys::stringFromUnicodeScalar(0xDFFF));
    EXPECT_FALSE(hotkeys::stringFromUnicodeScalar(0x110000));
}

}  // namespace
