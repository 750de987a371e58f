#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "Platform/X11/X11ModifierMap.h"

namespace tessivar::testing {
namespace {

using platform::ModifierMasks;
using platform::X11ModifierMap;

// X modifier bits.
constexpr unsigned kShiftMask = 0x01;
constexpr unsigned kLock = 0x02;
constexpr unsigned kControlMask = 0x04;
constexpr unsigned kMod1 = 0x08;
constexpr unsigned kMod2 = 0x10;
constexpr unsigned kMod3 = 0x20;
constexpr unsigned kMod4 = 0x40;
constexpr unsigned kButton1 = 0x100;

// Alt on Mod1, Super on Mod4, NumLock on Mod2, ScrollLock on Mod3.
const X11ModifierMap kUsual(X11ModifierMap::Bits{
    .option = kMod1, .command = kMod4, .numLock = kMod2, .scrollLock = kMod3});

TEST(X11ModifierMapTest, ConvertsTheFourCarbonModifiersBothWays) {
    const std::uint32_t all = ModifierMasks::carbonControl | ModifierMasks::carbonOption | ModifierMasks::carbonShift |
                              ModifierMasks::carbonCommand;

    EXPECT_EQ(kUsual.x11Modifiers(all), kControlMask | kMod1 | kShiftMask | kMod4);
    EXPECT_EQ(kUsual.x11Modifiers(0), 0u);
    EXPECT_EQ(kUsual.carbonModifiers(kControlMask | kMod1 | kShiftMask | kMod4), all);
    EXPECT_EQ(kUsual.carbonModifiers(kMod1), ModifierMasks::carbonOption);
}

TEST(X11ModifierMapTest, RefusesWhatTheServerCannotReport) {
    EXPECT_EQ(kUsual.x11Modifiers(ModifierMasks::carbonFunction | ModifierMasks::carbonOption), std::nullopt);
    EXPECT_EQ(kUsual.x11Modifiers(ModifierMasks::carbonAlphaLock), std::nullopt);
    EXPECT_EQ(kUsual.x11Modifiers(0x4000 /* right option */), std::nullopt);

    const X11ModifierMap withoutSuper(X11ModifierMap::Bits{.option = kMod1});
    EXPECT_EQ(withoutSuper.x11Modifiers(ModifierMasks::carbonCommand), std::nullopt);
    EXPECT_EQ(withoutSuper.x11Modifiers(ModifierMasks::carbonOption), kMod1);
}

TEST(X11ModifierMapTest, AnEventStateKeepsCapsLockButNotNumLockOrButtons) {
    EXPECT_EQ(kUsual.carbonModifiers(kLock | kMod2 | kMod3 | kButton1 | kMod1),
              ModifierMasks::carbonAlphaLock | ModifierMasks::carbonOption);
    EXPECT_EQ(kUsual.significantModifiers(kLock | kMod2 | kMod3 | kButton1 | kMod1), kMod1);
}

TEST(X11ModifierMapTest, LockCombinationsAreEverySubsetOfTheLocks) {
    const std::vector<unsigned> combinations = kUsual.lockCombinations();

    ASSERT_EQ(combinations.size(), 8u);
    EXPECT_EQ(combinations.front(), 0u);
    EXPECT_EQ(std::set<unsigned>(combinations.begin(), combinations.end()).size(), 8u);
    EXPECT_TRUE(std::all_of(combinations.begin(), combinations.end(),
                            [](unsigned c) { return (c & ~(kLock | kMod2 | kMod3)) == 0; }));
}

TEST(X11ModifierMapTest, ALockOnAltsBitIsNoLock) {
    const X11ModifierMap shared(X11ModifierMap::Bits{.option = kMod1, .numLock = kMod1});

    EXPECT_EQ(shared.lockModifiers(), kLock);
    EXPECT_EQ(shared.significantModifiers(kMod1 | kLock), kMod1);
}

}  // namespace
}  // namespace tessivar::testing
