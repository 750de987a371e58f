#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <string>
#include <vector>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Qt/QtWindowStateFeed.h"

namespace platform {
namespace {

// The screens are those of OffscreenScreens.h.
class QtWindowStateFeedTest : public ::testing::Test {
protected:
    QtWindowStateFeedTest() {
        const auto record = [this](const Notification& notification) { heard.push_back(notification.name); };
        becameKey = center.addObserver(WindowNotifications::didBecomeKey, nullptr, record);
        changedScreen = center.addObserver(WindowNotifications::didChangeScreen, nullptr, record);
    }

    static QScreen* qtScreen(const QString& name) {
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == name) return screen;
        }
        return nullptr;
    }

    // A window in the middle of the screen, holding the focus.
    static std::unique_ptr<QWidget> activeWindowOn(const QString& screenName) {
        auto window = std::make_unique<QWidget>();
        window->resize(200, 100);
        window->move(qtScreen(screenName)->geometry().center() - QPoint(100, 50));
        window->show();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get(), 5000));
        return window;
    }

    NotificationCenter center;
    std::vector<std::string> heard;
    ObserverTokenPtr becameKey;
    ObserverTokenPtr changedScreen;
};

// The size is the focus window's screen's, in device-independent pixels (HDMI-1 has
// twice as many device pixels); the screen the window moves to is told too.
TEST_F(QtWindowStateFeedTest, TheFocusWindowsScreenIsToldAndMeasured) {
    QtWindowStateFeed feed(center);
    auto window = activeWindowOn("DP-2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.empty(); }, 5000));
    EXPECT_EQ(heard, (std::vector<std::string>{WindowNotifications::didBecomeKey}));
    ASSERT_TRUE(QtWindowStateFeed::focusWindowScreenSize().has_value());
    EXPECT_EQ(*QtWindowStateFeed::focusWindowScreenSize(), (Size{1280, 1024}));

    heard.clear();
    window->windowHandle()->setScreen(qtScreen("HDMI-1"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !heard.empty(); }, 5000));
    EXPECT_EQ(heard, (std::vector<std::string>{WindowNotifications::didChangeScreen}));
    EXPECT_EQ(*QtWindowStateFeed::focusWindowScreenSize(), (Size{1920, 1080}));

    heard.clear();
    window.reset();
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::focusWindow() == nullptr; }, 5000));
    EXPECT_FALSE(QtWindowStateFeed::focusWindowScreenSize().has_value()) << "no window of ours has the focus";
    EXPECT_TRUE(heard.empty()) << "losing the focus is no news";
}

// Only the focus window's moves count: the window that had the focus before no longer tells.
TEST_F(QtWindowStateFeedTest, AWindowThatLostTheFocusNoLongerTellsItsMoves) {
    QtWindowStateFeed feed(center);
    auto first = activeWindowOn("DP-1");
    auto second = activeWindowOn("DP-2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return heard.size() >= 2; }, 5000));
    heard.clear();
    first->windowHandle()->setScreen(qtScreen("HDMI-1"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard.empty());
    EXPECT_EQ(*QtWindowStateFeed::focusWindowScreenSize(), (Size{1280, 1024}));
}

}  // namespace
}  // namespace platform
