#include <gtest/gtest.h>

#include "AppHarness.h"

using platform::makeScreen;
using platform::Point;
using tessivar::testing::AppHarness;

namespace {

struct JumpEngineTest : ::testing::Test {
    JumpEngineTest() { h.setEffect("off"); }
    AppHarness h;
};

TEST_F(JumpEngineTest, SingleDisplayGoesToItsCentreWithoutTouchingMemory) {
    h.setEffect("ripple");
    h.useScreens({makeScreen(5, "Only", {{0, 0}, {2560, 1440}})});
    h.desktop.mouse = {10, 10};

    EXPECT_TRUE(h.jumps.jumpToNextScreen());

    ASSERT_EQ(h.desktop.moves.size(), 1u);
    EXPECT_EQ(h.desktop.moves[0].local, (Point{1280, 720}));
    EXPECT_EQ(h.countLogged("💾"), 0) << "nothing remembered";
    EXPECT_TRUE(h.logged("🖥️ 只有一个显示器，自适应将鼠标瞬间移动到当前屏幕几何中心"));
    ASSERT_EQ(h.overlays.shown.size(), 1u);
    EXPECT_EQ(h.overlays.shown[0].frame, (platform::Rect{{1180, 620}, {200, 200}}));
}

TEST_F(JumpEngineTest, NoDisplaysAtAllFails) {
    h.useScreens({});
    EXPECT_FALSE(h.jumps.jumpToNextScreen());
    EXPECT_TRUE(h.desktop.moves.empty());
}

TEST_F(JumpEngineTest, NextAfterTheLastDisplayIsTheFirst) {
    h.useScreens({makeScreen(1, "A", {{0, 0}, {1920, 1080}}), makeScreen(2, "B", {{1920, 0}, {1920, 1080}}),
                  makeScreen(3, "C", {{3840, 0}, {1280, 1024}})});
    h.desktop.mouse = {4000, 500};

    EXPECT_TRUE(h.jumps.jumpToNextScreen());

    ASSERT_EQ(h.desktop.moves.size(), 1u);
    EXPECT_EQ(h.desktop.moves[0].display, 1u);
    EXPECT_EQ(h.desktop.moves[0].local, (Point{960, 540}));
    EXPECT_TRUE(h.logged("🖥️  当前屏幕: C [索引: 2]"));
    EXPECT_TRUE(h.logged("🎯 目标屏幕: A [索引: 0]"));
    EXPECT_TRUE(h.logged("✨ 鼠标已瞬间移动到下一个屏幕！"));
}

TEST_F(JumpEngineTest, RemembersWhereThePointerLeftADisplay) {
    // The worked example: (2000, 100) on a display at (1920, 0) is local (80, 980).
    h.desktop.mouse = {2000, 100};
    EXPECT_TRUE(h.jumps.jumpToScreen(0));
    EXPECT_TRUE(h.logged("💾 记录屏幕 Right 的光标历史位置: (80.0, 980.0)"));
    EXPECT_EQ(h.desktop.moves.back().local, (Point{960, 540}));  // first visit: centre

    EXPECT_TRUE(h.jumps.jumpToScreen(1));
    EXPECT_EQ(h.desktop.moves.back().local, (Point{80, 980}));
    EXPECT_TRUE(h.logged("↩️ 恢复屏幕 Right 的历史光标位置: (80.0, 980.0)"));
    EXPECT_TRUE(h.logged("🎯 瞬间移动到屏幕 1: Right"));
    EXPECT_TRUE(h.logged("   本地坐标: (80.0, 980.0)"));
    EXPECT_EQ(h.desktop.mouse, (Point{2000, 100}));
}

// Each departure replaces what the display remembered, and the effect marks the
// restored point itself: an off-centre one, which tells a point turned from
// display-local (y down) to global (y up) from one left unturned.
TEST_F(JumpEngineTest, TheLatestDepartureIsRememberedAndTheEffectMarksTheRestoredPoint) {
    h.setEffect("ripple");
    h.desktop.mouse = {2000, 100};
    h.jumps.jumpToScreen(0);
    h.jumps.jumpToScreen(1);
    h.desktop.mouse = {3000, 700};  // local (1080, 380) on the right display
    h.jumps.jumpToScreen(0);
    EXPECT_TRUE(h.logged("💾 记录屏幕 Right 的光标历史位置: (1080.0, 380.0)"));

    EXPECT_TRUE(h.jumps.jumpToScreen(1));
    EXPECT_EQ(h.desktop.moves.back().local, (Point{1080, 380})) << "the second departure, not the first";
    EXPECT_EQ(h.desktop.mouse, (Point{3000, 700}));
    ASSERT_FALSE(h.overlays.shown.empty());
    EXPECT_EQ(h.overlays.shown.back().frame, (platform::Rect{{2900, 600}, {200, 200}}));
}

// The warp goes out before the jump's lines (each a write to a terminal or a
// pipe), which then come in the order logged, ahead of what follows the warp.
TEST_F(JumpEngineTest, AJumpsLinesAreWrittenOnceItsWarpIsOutInTheirOrder) {
    h.desktop.mouse = {2000, 100};
    ASSERT_TRUE(h.jumps.jumpToScreen(0));
    h.setEffect("ripple");
    h.logs.clear();
    std::size_t linesAtWarp = 99;
    h.desktop.duringMove = [&] { linesAtWarp = h.logLines().size(); };

    ASSERT_TRUE(h.jumps.jumpToScreen(1));
    EXPECT_EQ(linesAtWarp, 0u);
    auto lines = h.logLines();
    ASSERT_GE(lines.size(), 6u);
    lines.resize(6);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "[Tessivar] 💾 记录屏幕 Left 的光标历史位置: (960.0, 540.0)",
                         "[Tessivar] ↩️ 恢复屏幕 Right 的历史光标位置: (80.0, 980.0)",
                         "[Tessivar] 🎯 瞬间移动到屏幕 1: Right", "[Tessivar]    本地坐标: (80.0, 980.0)",
                         "[Tessivar] ✨ 移动成功！", "[Tessivar] 💥 触发定位动画，类型为: ripple，屏幕: 1"}));

    h.logs.clear();
    h.desktop.moveError = platform::kCursorMoveNotPossible;
    EXPECT_FALSE(h.jumps.jumpToNextScreen());
    EXPECT_EQ(linesAtWarp, 0u);
    EXPECT_EQ(h.logLines().back(), "[Tessivar] ✗ 瞬间移动失败: 1004") << "the refusal after the lines before the warp";
}

TEST_F(JumpEngineTest, JumpingToTheCurrentDisplayKeepsThePointerWhereItIs) {
    h.desktop.mouse = {300.5, 200};
    EXPECT_TRUE(h.jumps.jumpToScreen(0));
    EXPECT_EQ(h.desktop.moves.back().local, (Point{300.5, 880}));
    EXPECT_EQ(h.desktop.mouse, (Point{300.5, 200}));
}

TEST_F(JumpEngineTest, MemoryOffLandsOnTheCentreButKeepsOldEntries) {
    h.desktop.mouse = {2000, 100};
    h.jumps.jumpToScreen(0);  // Right remembers (80, 980)
    h.defaults.set("rememberLastPosition", false);

    h.jumps.jumpToScreen(1);
    EXPECT_EQ(h.desktop.moves.back().local, (Point{960, 540}));
    h.jumps.jumpToScreen(0);
    EXPECT_EQ(h.countLogged("💾"), 1) << "nothing is recorded while memory is off";

    h.defaults.set("rememberLastPosition", true);
    h.jumps.jumpToScreen(1);
    EXPECT_EQ(h.desktop.moves.back().local, (Point{80, 980}));
}

TEST_F(JumpEngineTest, IndexOutsideTheDisplaysIsRefusedWithoutSideEffects) {
    EXPECT_FALSE(h.jumps.jumpToScreen(5));
    EXPECT_TRUE(h.logged("⚠️ 屏幕索引 5 超出范围 [0, 1]"));
    EXPECT_FALSE(h.jumps.jumpToScreen(-1));
    EXPECT_TRUE(h.logged("⚠️ 屏幕索引 -1 超出范围 [0, 1]"));
    EXPECT_TRUE(h.desktop.moves.empty());
    EXPECT_EQ(h.countLogged("💾"), 0);

    h.app->handleMenuAction(tessivar::MenuAction::jumpToSpecificScreen, 5);
    EXPECT_TRUE(h.logged("⚠️ 无法跳转到屏幕 6。已自动静默处理。"));
    EXPECT_EQ(h.analytics.calls, (std::vector<std::string>{"jump menu 2"}));
}

TEST_F(JumpEngineTest, RememberedPointIsPulledOntoADisplayThatShrank) {
    h.desktop.mouse = {3800, 50};  // local (1880, 1030) on the right display
    h.jumps.jumpToScreen(0);
    h.useScreens({makeScreen(11, "Left", {{0, 0}, {1920, 1080}}), makeScreen(22, "Right", {{1920, 280}, {1024, 800}})});

    EXPECT_TRUE(h.jumps.jumpToScreen(1));
    EXPECT_EQ(h.desktop.moves.back().local, (Point{1023, 799}));
    EXPECT_TRUE(h.logged("↩️ 恢复屏幕 Right 的历史光标位置: (1023.0, 799.0)"));
}

TEST_F(JumpEngineTest, RefusedMoveShowsThePointerAgainAndPlaysNoEffect) {
    h.setEffect("scale");
    h.jumps.jumpToScreen(1);  // hides the pointer for the effect
    ASSERT_TRUE(h.hider.isHidden());
    const auto overlays = h.overlays.shown.size();

    h.desktop.moveError = platform::kCursorMoveNotPossible;
    EXPECT_FALSE(h.jumps.jumpToScreen(0));
    EXPECT_FALSE(h.hider.isHidden());
    EXPECT_EQ(h.overlays.shown.size(), overlays);

    EXPECT_FALSE(h.jumps.jumpToNextScreen());
    EXPECT_TRUE(h.logged("✗ 瞬间移动失败: 1004"));
    h.app->handleMenuAction(tessivar::MenuAction::jumpToOtherScreen, 0);
    EXPECT_TRUE(
        h.logged("⚠️ "
                 "瞬间移动失败：请确保连接了多个显示器。已自动静默处理，避免打扰用户。"));
}

TEST_F(JumpEngineTest, DisplayWithoutAnIdCannotBeReached) {
    auto nameless = makeScreen(0, "NoId", {{1920, 0}, {1920, 1080}});
    nameless.displayID.reset();
    h.useScreens({makeScreen(11, "Left", {{0, 0}, {1920, 1080}}), nameless});

    EXPECT_FALSE(h.jumps.jumpToScreen(1));
    EXPECT_TRUE(h.logged("✗ 无法获取屏幕 1 的 DisplayID"));

    h.logs.clear();
    EXPECT_FALSE(h.jumps.jumpToNextScreen());  // from Left to the id-less display
    EXPECT_EQ(h.logs.lines().back(), "[Tessivar] 🎯 目标屏幕: NoId [索引: 1]") << "then fails silently";

    h.desktop.mouse = {2500, 500};  // on the id-less display
    h.jumps.recordCurrentPosition();
    EXPECT_EQ(h.countLogged("💾"), 1) << "only Left, recorded when leaving it";
    EXPECT_TRUE(h.desktop.moves.empty());
}

TEST_F(JumpEngineTest, PointerOnTheTopRowBelongsToItsDisplay) {
    // A panel lives on the top pixel row; with a half-open test that row would
    // belong to no display.
    h.desktop.mouse = {2500, 1080};
    EXPECT_TRUE(h.jumps.jumpToNextScreen());
    EXPECT_EQ(h.desktop.moves.back().display, 11u);
    EXPECT_TRUE(h.logged("💾 记录屏幕 Right 的光标历史位置: (580.0, 0.0)"));
}

TEST_F(JumpEngineTest, StackedDisplaysCreditTheBoundaryRowToTheLowerDisplaysTop) {
    // The lower display's top row is the line y = 0 it shares with the primary's bottom edge.
    h.useScreens({makeScreen(1, "Upper", {{0, 0}, {1920, 1080}}), makeScreen(2, "Lower", {{0, -1080}, {1920, 1080}})});
    h.desktop.mouse = {700, 0};

    EXPECT_TRUE(h.jumps.jumpToNextScreen());
    EXPECT_TRUE(h.logged("🖥️  当前屏幕: Lower [索引: 1]"));
    EXPECT_EQ(h.desktop.moves.back().display, 1u);
}

TEST_F(JumpEngineTest, PointerOffEveryDisplayIsReported) {
    h.desktop.mouse = {-50, 500};
    EXPECT_FALSE(h.jumps.jumpToNextScreen());
    EXPECT_TRUE(h.logged("✗ 无法确定当前鼠标所在屏幕"));
    EXPECT_TRUE(h.desktop.moves.empty());
}

// A desktop whose second display is unplugged right after the first read.
struct UnpluggingDesktop : platform::FakeDesktop {
    std::vector<platform::Screen> screens() override {
        auto current = FakeDesktop::screens();
        if (screenReads > 1) current.pop_back();
        return current;
    }
};

TEST(JumpEngineUnplug, AJumpWorksOnTheOneListItRead) {
    AppHarness h;
    h.setEffect("off");
    UnpluggingDesktop desktop;
    desktop.screenList = h.desktop.screenList;
    desktop.mouse = {100, 100};
    tessivar::JumpEngine jumps({h.defaults, desktop, h.cursorHiding, h.effects});
    EXPECT_TRUE(jumps.jumpToScreen(1));
    EXPECT_EQ(desktop.screenReads, 1);
    EXPECT_FALSE(jumps.jumpToScreen(1)) << "the next jump sees the shrunken list and refuses the index";
}

}  // namespace
