#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QTest>
#include <QWidget>

#include <string>
#include <vector>

#include "Platform/Foundation/ApplicationNotifications.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Qt/QtApplicationStateFeed.h"

namespace platform {
namespace {

class QtApplicationStateFeedTest : public ::testing::Test {
protected:
    QtApplicationStateFeedTest() {
        const auto record = [this](const Notification& notification) { heard.push_back(notification.name); };
        active = center.addObserver(ApplicationNotifications::didBecomeActive, nullptr, record);
        resigned = center.addObserver(ApplicationNotifications::didResignActive, nullptr, record);
    }

    NotificationCenter center;
    std::vector<std::string> heard;
    ObserverTokenPtr active;
    ObserverTokenPtr resigned;
};

// On X11 Qt follows the focus: a window of the program that takes it makes the application active.
TEST_F(QtApplicationStateFeedTest, AWindowTakingTheFocusMakesTheApplicationActive) {
    QtApplicationStateFeed feed(center);
    QWidget window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !heard.empty(); }, 5000));
    EXPECT_EQ(heard, (std::vector<std::string>{ApplicationNotifications::didBecomeActive}));
}

// The launch is told once the event loop runs, so that what is set up after the feed
// hears it; a program that holds the focus by then is told it is active.
TEST_F(QtApplicationStateFeedTest, TheLaunchIsToldFromTheEventLoopWithTheStateItFinds) {
    QWidget window;
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, 5000));
    ASSERT_TRUE(QTest::qWaitFor([] { return QGuiApplication::applicationState() == Qt::ApplicationActive; }, 5000));
    auto launched =
        center.addObserver(ApplicationNotifications::didFinishLaunching, nullptr,
                           [this](const Notification& notification) { heard.push_back(notification.name); });
    QtApplicationStateFeed feed(center);
    EXPECT_TRUE(heard.empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return heard.size() >= 2; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(heard, (std::vector<std::string>{ApplicationNotifications::didFinishLaunching,
                                               ApplicationNotifications::didBecomeActive}));
}

// The platform's state changes, as Qt announces them; only a change between active
// and not active is told, whatever the inactive state is called.
TEST_F(QtApplicationStateFeedTest, OnlyChangesBetweenActiveAndNotAreTold) {
    QtApplicationStateFeed feed(center);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    heard.clear();
    for (const auto state : {Qt::ApplicationActive, Qt::ApplicationActive, Qt::ApplicationHidden,
                             Qt::ApplicationSuspended, Qt::ApplicationInactive, Qt::ApplicationActive}) {
        emit qGuiApp->applicationStateChanged(state);
    }
    EXPECT_EQ(heard, (std::vector<std::string>{ApplicationNotifications::didBecomeActive,
                                               ApplicationNotifications::didResignActive,
                                               ApplicationNotifications::didBecomeActive}));
}

}  // namespace
}  // namespace platform
