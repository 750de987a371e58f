#include <gtest/gtest.h>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "Platform/Desktop/ScreenArrangement.h"
#include "Platform/Qt/QtDesktop.h"

namespace platform {
namespace {

// The screens are those of OffscreenScreens.h; every expected value below is
// worked out by hand from that layout, with the primary 1080 points high.
class QtDesktopTest : public ::testing::Test {
protected:
    static QScreen* qtScreen(const QString& name) {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == name) return screen;
        }
        return nullptr;
    }

    DisplayID idOf(const std::string& name) {
        for (const Screen& screen : desktop.screens()) {
            if (screen.localizedName == name && screen.displayID) return *screen.displayID;
        }
        ADD_FAILURE() << "no display " << name;
        return 0;
    }

    QtDesktop desktop;
};

TEST_F(QtDesktopTest, ListsThePrimaryFirstWithFramesInGlobalSpace) {
    const std::vector<Screen> screens = desktop.screens();

    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].localizedName, "DP-1");
    EXPECT_EQ(screens[0].frame, (Rect{{0, 0}, {1920, 1080}}));
    EXPECT_EQ(screens[0].backingScaleFactor, 1.0);
    // Top-left (-1280, 300): its bottom edge lies 244 points below the primary's.
    EXPECT_EQ(screens[1].localizedName, "DP-2");
    EXPECT_EQ(screens[1].frame, (Rect{{-1280, -244}, {1280, 1024}}));
    EXPECT_EQ(screens[1].backingScaleFactor, 1.0);
    EXPECT_EQ(screens[2].localizedName, "HDMI-1");
    EXPECT_EQ(screens[2].frame, (Rect{{1920, 0}, {1920, 1080}}));
    EXPECT_EQ(screens[2].backingScaleFactor, 2.0);
}

TEST_F(QtDesktopTest, DisplayIDsComeFromTheConnectorAndStayTheSame) {
    const std::vector<Screen> first = desktop.screens();
    const std::vector<Screen> second = desktop.screens();

    ASSERT_EQ(first.size(), 3u);
    ASSERT_EQ(second.size(), 3u);
    for (std::size_t i = 0; i < first.size(); ++i) {
        ASSERT_TRUE(first[i].displayID.has_value());
        EXPECT_EQ(first[i].displayID, displayIDForConnector(first[i].localizedName));
        EXPECT_EQ(first[i].displayID, second[i].displayID);
    }
    EXPECT_NE(first[0].displayID, first[1].displayID);
    EXPECT_NE(first[0].displayID, first[2].displayID);
    EXPECT_NE(first[1].displayID, first[2].displayID);
}

TEST_F(QtDesktopTest, DisplayBoundsAreTheTopLeftRectangleOfThatDisplay) {
    EXPECT_EQ(desktop.displayBounds(idOf("DP-1")), (Rect{{0, 0}, {1920, 1080}}));
    EXPECT_EQ(desktop.displayBounds(idOf("DP-2")), (Rect{{-1280, 300}, {1280, 1024}}));
    EXPECT_EQ(desktop.displayBounds(idOf("HDMI-1")), (Rect{{1920, 0}, {1920, 1080}}));
    EXPECT_TRUE(desktop.displayBounds(displayIDForConnector("DP-9")).isEmpty());
}

TEST_F(QtDesktopTest, MovesThePointerToARoundedLocalPointOfThePrimary) {
    ASSERT_EQ(desktop.moveCursor(idOf("DP-1"), {99.6, 200.4}), kCursorMoveSuccess);

    EXPECT_EQ(QCursor::pos(), QPoint(100, 200));
    EXPECT_EQ(desktop.mouseLocation(), (Point{100, 880}));
}

// Qt's offscreen platform keeps one pointer per screen and QCursor::pos() reads
// the primary's, so a move onto another display is read back from that display.
TEST_F(QtDesktopTest, MovesThePointerToALocalPointOfAnotherDisplay) {
    ASSERT_EQ(desktop.moveCursor(idOf("DP-2"), {10, 20}), kCursorMoveSuccess);
    EXPECT_EQ(QCursor::pos(qtScreen("DP-2")), QPoint(-1270, 320));

    ASSERT_EQ(desktop.moveCursor(idOf("HDMI-1"), {960, 540}), kCursorMoveSuccess);
    EXPECT_EQ(QCursor::pos(qtScreen("HDMI-1")), QPoint(2880, 540));
}

TEST_F(QtDesktopTest, ReadsThePointerInGlobalSpaceOnEveryDisplay) {
    QScreen* primary = QGuiApplication::primaryScreen();

    QCursor::setPos(primary, -1270, 320);
    EXPECT_EQ(desktop.mouseLocation(), (Point{-1270, 760}));
    QCursor::setPos(primary, 2880, 540);
    EXPECT_EQ(desktop.mouseLocation(), (Point{2880, 540}));
    QCursor::setPos(primary, 0, 0);
    EXPECT_EQ(desktop.mouseLocation(), (Point{0, 1080}));
}

TEST_F(QtDesktopTest, RefusesAnUnknownDisplayWithoutMovingThePointer) {
    ASSERT_EQ(desktop.moveCursor(idOf("DP-1"), {300, 400}), kCursorMoveSuccess);

    EXPECT_EQ(desktop.moveCursor(displayIDForConnector("DP-9"), {10, 10}), kCursorMoveUnknownDisplay);
    EXPECT_EQ(desktop.moveCursor(0, {10, 10}), kCursorMoveUnknownDisplay);
    EXPECT_EQ(QCursor::pos(), QPoint(300, 400));
}

}  // namespace
}  // namespace platform
