#include <gtest/gtest.h>

#include "AppHarness.h"

using platform::Point;
using platform::Rect;
using tessivar::LocatingEffect;
using tessivar::testing::AppHarness;

namespace {

TEST(LocatingEffect, ScaleEffectCentresOnTheLandingPointAndFollowsThePointer) {
    AppHarness h;
    ASSERT_TRUE(h.jumps.jumpToScreen(1));

    ASSERT_EQ(h.overlays.shown.size(), 1u);
    const auto& shown = h.overlays.shown[0];
    // Centre of the right display, (960, 540) local, is global (2880, 540).
    EXPECT_EQ(shown.frame, (Rect{{2780, 440}, {200, 200}}));
    EXPECT_EQ(shown.effect, LocatingEffect::cursorScale);
    EXPECT_EQ(shown.backingScale, 2.0);
    EXPECT_TRUE(h.logged("💥 触发定位动画，类型为: scale，屏幕: 1"));

    h.desktop.mouse = {3000, 700};
    h.queue.advance(1.0 / 120.0);
    EXPECT_EQ(shown.window->frame().origin, (Point{2900, 600}));

    h.queue.advance(0.38);  // 0.39 s
    EXPECT_TRUE(shown.window->isVisible());
    h.queue.advance(0.02);  // 0.41 s
    EXPECT_FALSE(shown.window->isVisible());

    const auto moves = shown.window->origins.size();
    h.desktop.mouse = {10, 10};
    h.queue.advance(0.1);
    EXPECT_EQ(shown.window->origins.size(), moves) << "the follow timer stops with the removal";
    EXPECT_EQ(h.queue.pendingCount(), 0u);
}

TEST(LocatingEffect, AnyOtherStoredValuePlaysTheRingWithoutHiding) {
    for (const char* type : {"ripple", "sparkles"}) {
        AppHarness h;
        h.setEffect(type);
        ASSERT_TRUE(h.jumps.jumpToScreen(0));

        ASSERT_EQ(h.overlays.shown.size(), 1u) << type;
        const auto& shown = h.overlays.shown[0];
        EXPECT_EQ(shown.effect, LocatingEffect::ring);
        EXPECT_TRUE(h.hider.calls.empty());
        h.queue.advance(0.31);
        EXPECT_TRUE(shown.window->isVisible());
        h.queue.advance(0.02);
        EXPECT_FALSE(shown.window->isVisible());
        EXPECT_TRUE(shown.window->origins.empty()) << "the ring does not follow the pointer";
    }
}

TEST(LocatingEffect, OffShowsNothing) {
    AppHarness h;
    h.setEffect("off");
    ASSERT_TRUE(h.jumps.jumpToScreen(1));
    EXPECT_TRUE(h.overlays.shown.empty());
    EXPECT_TRUE(h.hider.calls.empty());

    h.effects.show(0, {10, 10});  // called directly it only logs
    EXPECT_TRUE(h.overlays.shown.empty());
    EXPECT_TRUE(h.logged("💥 触发定位动画，类型为: off，屏幕: 0"));
}

TEST(LocatingEffect, IndexBeyondTheDisplaysDrawsForThePrimary) {
    AppHarness h;
    h.effects.show(7, {500, 500});
    ASSERT_EQ(h.overlays.shown.size(), 1u);
    EXPECT_EQ(h.overlays.shown[0].backingScale, 1.0);

    h.useScreens({});
    h.effects.show(0, {500, 500});
    EXPECT_EQ(h.overlays.shown.back().backingScale, 2.0) << "no display at all: assume a dense one";
}

// A newer effect may take an older one's window: the older effect then stops
// following the pointer at once instead of asking where it is until its end.
TEST(LocatingEffect, AnEffectWhoseWindowIsGoneStopsFollowing) {
    AppHarness h;
    h.jumps.jumpToScreen(1);
    ASSERT_EQ(h.overlays.shown.size(), 1u);
    h.overlays.shown[0].window->orderOut();  // taken for another effect
    h.desktop.mouse = {3000, 700};
    h.queue.advance(0.1);
    EXPECT_TRUE(h.overlays.shown[0].window->origins.empty());
    EXPECT_EQ(h.queue.pendingCount(), 2u) << "only the removal and the pointer restore are left";
}

TEST(LocatingEffect, OverlappingEffectsAreIndependent) {
    AppHarness h;
    h.jumps.jumpToScreen(1);
    h.queue.advance(0.2);
    h.jumps.jumpToScreen(0);
    ASSERT_EQ(h.overlays.shown.size(), 2u);
    h.queue.advance(0.21);  // 0.41 s
    EXPECT_FALSE(h.overlays.shown[0].window->isVisible());
    EXPECT_TRUE(h.overlays.shown[1].window->isVisible());
    h.queue.advance(0.2);
    EXPECT_FALSE(h.overlays.shown[1].window->isVisible());
}

}  // namespace
