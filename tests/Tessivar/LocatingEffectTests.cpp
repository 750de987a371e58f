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
    h.queue.advance(tessivar::kEffectTimeLimit);
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
    EXPECT_EQ(h.queue.pendingCount(), 3u) << "only the effect's end, its time limit and the pointer restore are left";
}

// A starved program shows the effect's first frame late: the overlay stays
// until the effect has played from there, within the time limit, which also
// ends an effect whose frames never reach the screen.
TEST(LocatingEffect, TheOverlayGoesOnceTheEffectHasPlayedFromItsFirstFrameOnTheScreen) {
    struct Case {
        const char* type;
        std::optional<double> firstFrameAfter;
        double gone;
    } cases[] = {
        {"scale", 2.0, 2.4},
        {"ripple", 2.0, 2.32},
        {"ripple", 4.9, tessivar::kEffectTimeLimit},
        {"scale", std::nullopt, tessivar::kEffectTimeLimit},
    };
    for (const auto& c : cases) {
        AppHarness h;
        h.setEffect(c.type);
        h.overlays.firstFrameAfter = c.firstFrameAfter;
        ASSERT_TRUE(h.jumps.jumpToScreen(1));
        ASSERT_EQ(h.overlays.shown.size(), 1u);
        const auto& window = *h.overlays.shown[0].window;
        h.queue.advance(c.gone - 0.01);
        EXPECT_TRUE(window.isVisible()) << c.type << " " << c.gone;
        h.queue.advance(0.02);
        EXPECT_FALSE(window.isVisible()) << c.type << " " << c.gone;
        h.queue.advance(tessivar::kEffectTimeLimit);
        EXPECT_FALSE(window.isVisible()) << c.type << " " << c.gone;
        EXPECT_EQ(h.queue.pendingCount(), 0u) << "nothing follows the pointer or holds the window";
    }
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
