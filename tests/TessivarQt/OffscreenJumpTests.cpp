#include <gtest/gtest.h>
#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QScreen>
#include <QWidget>
#include <algorithm>

#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/Qt/QtMainQueue.h"
#include "Platform/Testing/FakeCursorHider.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/LocatingEffectPlayer.h"
#include "Tessivar/Effects/QtOverlayPresenter.h"
#include "Tessivar/JumpEngine.h"

namespace {

QScreen* screenNamed(const char* name) {
    for (auto* screen : QGuiApplication::screens()) {
        if (screen->name() == name) return screen;
    }
    return nullptr;
}

std::vector<QWidget*> visibleOverlays() {
    std::vector<QWidget*> shown;
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible()) shown.push_back(widget);
    }
    return shown;
}

// Runs the event loop until the condition holds or two seconds pass.
bool processEventsUntil(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

// Screens, from the offscreen configuration: DP-1 primary 1920x1080 at (0, 0);
// DP-2 1280x1024 at (-1280, 300); HDMI-1 1920x1080 at (1920, 0), pixel ratio 2.
struct OffscreenApp : ::testing::Test {
    OffscreenApp() { QCursor::setPos(screenNamed("DP-1"), QPoint(100, 100)); }
    ~OffscreenApp() override {
        processEventsUntil([] { return visibleOverlays().empty(); });
    }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::QtMainQueue queue;
    platform::QtDesktop desktop;
    platform::FakeCursorHider hider;
    tessivar::QtOverlayPresenter overlays;
    tessivar::CursorHidingEpisode cursorHiding{{defaults, desktop, hider, queue}};
    tessivar::LocatingEffectPlayer effects{{defaults, desktop, queue, overlays, cursorHiding}};
    tessivar::JumpEngine jumps{{defaults, desktop, cursorHiding, effects}};
    platform::LogCapture logs;
};

TEST_F(OffscreenApp, JumpsLandOnEachDisplaysCentrePixel) {
    defaults.set("visualEffectType", "off");
    defaults.set("rememberLastPosition", false);
    const std::vector<std::pair<const char*, QPoint>> expected{
        {"DP-1", {960, 540}}, {"DP-2", {-640, 812}}, {"HDMI-1", {2880, 540}}};
    const auto screens = desktop.screens();
    ASSERT_EQ(screens.size(), 3u);
    for (std::size_t i = 0; i < screens.size(); ++i) {
        ASSERT_TRUE(jumps.jumpToScreen(static_cast<int>(i)));
        auto* target = screenNamed(expected[i].first);
        ASSERT_NE(target, nullptr);
        // The offscreen platform keeps a pointer per screen.
        EXPECT_EQ(QCursor::pos(target), expected[i].second) << expected[i].first;
    }
}

TEST_F(OffscreenApp, JumpingBackRestoresWhereThePointerLeftThePrimary) {
    defaults.set("visualEffectType", "off");
    QCursor::setPos(screenNamed("DP-1"), QPoint(300, 200));
    ASSERT_TRUE(jumps.jumpToScreen(2));
    // Off every display, so leaving it records nothing (the offscreen platform
    // reads the pointer of the primary screen only).
    QCursor::setPos(screenNamed("DP-1"), QPoint(-1300, 0));
    ASSERT_TRUE(jumps.jumpToScreen(0));
    EXPECT_EQ(QCursor::pos(screenNamed("DP-1")), QPoint(300, 200));
    const auto lines = logs.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line) { return line.find("💾") != std::string::npos; }),
              1);
}

TEST_F(OffscreenApp, ScaleEffectOverlayIsCentredOnTheLandingPointAndNeverFocused) {
    ASSERT_TRUE(jumps.jumpToScreen(2));
    const auto shown = visibleOverlays();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->geometry(), QRect(2780, 440, 200, 200));
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
    EXPECT_TRUE(hider.isHidden());

    EXPECT_TRUE(processEventsUntil([] { return visibleOverlays().empty(); })) << "removed after 0.4 s";
    EXPECT_TRUE(processEventsUntil([this] { return !hider.isHidden(); })) << "pointer shown after 0.35 s";
}

TEST_F(OffscreenApp, OverlayFollowsThePointerWhileTheScaleEffectPlays) {
    ASSERT_TRUE(jumps.jumpToScreen(0));
    QCursor::setPos(screenNamed("DP-1"), QPoint(700, 300));
    const auto shown = visibleOverlays();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(processEventsUntil([&] { return shown[0]->geometry() == QRect(600, 200, 200, 200); }));
}

TEST_F(OffscreenApp, RingOverlaySitsOnTheLandingPointOfANegativeOriginDisplay) {
    defaults.set("visualEffectType", "ripple");
    ASSERT_TRUE(jumps.jumpToScreen(1));
    const auto shown = visibleOverlays();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0]->geometry(), QRect(-740, 712, 200, 200));
    EXPECT_FALSE(hider.isHidden());
    EXPECT_TRUE(processEventsUntil([] { return visibleOverlays().empty(); }));
}

}  // namespace
