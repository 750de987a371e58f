#include <gtest/gtest.h>

#include "AppHarness.h"

using platform::makeScreen;
using tessivar::testing::AppHarness;

namespace {

TEST(CursorHiding, OnlyTheCursorScaleEffectHides) {
    for (const char* type : {"ripple", "off", "sparkles"}) {
        AppHarness h;
        h.setEffect(type);
        h.cursorHiding.hide();
        EXPECT_TRUE(h.hider.calls.empty()) << type;
    }
}

TEST(CursorHiding, HidesEveryDisplayAndTheApplicationOnce) {
    AppHarness h;
    h.cursorHiding.hide();
    h.cursorHiding.hide();
    EXPECT_EQ(h.hider.calls, (std::vector<std::string>{"hide 11", "hide 22", "hideApp"}));
    EXPECT_TRUE(h.logged("🙈 已在 2 个显示器上隐藏系统硬件光标"));
}

TEST(CursorHiding, TwoQuickScaleJumpsFormOneEpisode) {
    AppHarness h;
    h.jumps.jumpToScreen(1);
    h.queue.advance(0.2);
    h.jumps.jumpToScreen(0);

    h.queue.advance(0.34);  // 0.54 s: the first job (due 0.35 s) was cancelled
    EXPECT_TRUE(h.hider.isHidden());
    h.queue.advance(0.02);  // 0.56 s: 0.35 s after the second effect
    EXPECT_FALSE(h.hider.isHidden());
    EXPECT_EQ(h.hider.timesHidden, 1);
    EXPECT_EQ(h.hider.timesShown, 1);
    EXPECT_EQ(h.hider.calls,
              (std::vector<std::string>{"hide 11", "hide 22", "hideApp", "show 11", "show 22", "unhideApp"}));
    EXPECT_TRUE(h.logged("🙉 已恢复系统硬件光标"));
}

TEST(CursorHiding, QuittingWhileHiddenShowsThePointerBeforeRecordingTheQuit) {
    AppHarness h;
    h.jumps.jumpToScreen(1);
    h.queue.advance(0.1);
    ASSERT_TRUE(h.hider.isHidden());

    h.app->applicationWillTerminate();

    EXPECT_FALSE(h.hider.isHidden());
    EXPECT_EQ(h.analytics.calls.back(), "app_quit");
    h.queue.advance(1.0);
    EXPECT_EQ(h.hider.timesShown, 1) << "the cancelled restore job must not show twice";
}

TEST(CursorHiding, RestoringWithNothingHiddenOnlyDropsThePendingJob) {
    AppHarness h;
    h.cursorHiding.restore();
    EXPECT_TRUE(h.hider.calls.empty());
    EXPECT_TRUE(h.logLines().empty());
}

TEST(CursorHiding, NoDisplayIdsMeansNoHideAtAll) {
    AppHarness h;
    auto nameless = makeScreen(0, "NoId", {{0, 0}, {1920, 1080}});
    nameless.displayID.reset();
    h.useScreens({nameless});

    h.cursorHiding.hide();
    h.cursorHiding.scheduleRestore(0.35);
    h.queue.advance(1);

    EXPECT_TRUE(h.hider.calls.empty());
    EXPECT_FALSE(h.hider.isHidden());
}

TEST(CursorHiding, AnUnpluggedDisplayStillGetsItsShow) {
    AppHarness h;
    h.cursorHiding.hide();
    h.useScreens({makeScreen(11, "Left", {{0, 0}, {1920, 1080}})});
    h.cursorHiding.restore();
    EXPECT_EQ(h.hider.calls.back(), "unhideApp");
    EXPECT_NE(std::find(h.hider.calls.begin(), h.hider.calls.end(), "show 22"), h.hider.calls.end());
    EXPECT_FALSE(h.hider.isHidden());
}

}  // namespace
