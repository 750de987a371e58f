#include <gtest/gtest.h>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Qt/QtOverlayWindow.h"

namespace platform {
namespace {

constexpr Size kOverlaySize{200, 200};

// Expected top-left rectangles are worked out by hand: the primary is 1080 high.
TEST(QtOverlayWindowPlacement, CentresOnAGlobalPoint) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({2000, 500}, kOverlaySize));

    EXPECT_EQ(overlay.frame(), (Rect{{1900, 400}, kOverlaySize}));
    EXPECT_EQ(overlay.widget()->geometry(), QRect(1900, 480, 200, 200));
}

TEST(QtOverlayWindowPlacement, LandsOnADisplayLeftOfAndBelowThePrimary) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({-640, 0}, kOverlaySize));
    overlay.orderFront();

    EXPECT_EQ(overlay.widget()->geometry(), QRect(-740, 980, 200, 200));
    EXPECT_EQ(overlay.frame(), (Rect{{-740, -100}, kOverlaySize}));
    EXPECT_EQ(overlay.widget()->screen()->name(), QStringLiteral("DP-2"));
}

TEST(QtOverlayWindowPlacement, MovesItsOriginAndKeepsItsSize) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({960, 540}, kOverlaySize));
    overlay.orderFront();

    overlay.setFrameOrigin({100, 50});

    EXPECT_EQ(overlay.frame(), (Rect{{100, 50}, kOverlaySize}));
    EXPECT_EQ(overlay.widget()->geometry(), QRect(100, 830, 200, 200));
    overlay.setFrameOrigin({2500.4, 300.6});
    EXPECT_EQ(overlay.frame(), (Rect{{2500, 301}, kOverlaySize}));
}

TEST(QtOverlayWindowBehaviour, IsBorderlessTranslucentAndClickThrough) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({960, 540}, kOverlaySize));
    const QWidget* window = overlay.widget();

    EXPECT_TRUE(window->isWindow());
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_EQ(window->windowType(), Qt::ToolTip);
    EXPECT_TRUE(window->testAttribute(Qt::WA_TranslucentBackground));
    EXPECT_TRUE(window->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window->focusPolicy(), Qt::NoFocus);
}

TEST(QtOverlayWindowBehaviour, ShowsAndHidesWithoutTakingFocus) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({960, 540}, kOverlaySize));
    EXPECT_FALSE(overlay.isVisible());

    overlay.orderFront();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.widget()));
    QCoreApplication::processEvents();

    EXPECT_TRUE(overlay.isVisible());
    EXPECT_TRUE(overlay.widget()->windowHandle()->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_FALSE(overlay.widget()->isActiveWindow());
    EXPECT_EQ(QApplication::activeWindow(), nullptr);
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
    EXPECT_NE(QGuiApplication::focusWindow(), overlay.widget()->windowHandle());

    overlay.orderOut();
    EXPECT_FALSE(overlay.isVisible());
}

TEST(QtOverlayWindowContent, FillsTheWindowAndLetsInputThrough) {
    QtOverlayWindow overlay(CoordinateSpace::centredFrame({960, 540}, kOverlaySize));
    auto* content = new QLabel(QStringLiteral("effect"));

    overlay.setContentWidget(content);
    overlay.orderFront();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(overlay.widget()));

    EXPECT_EQ(content->parentWidget(), overlay.widget());
    EXPECT_EQ(content->geometry(), QRect(0, 0, 200, 200));
    EXPECT_TRUE(content->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(QApplication::focusWidget(), nullptr);
}

TEST(QtOverlayWindowContent, OwnsItsContent) {
    QPointer<QWidget> first = new QWidget;
    QPointer<QWidget> second = new QWidget;
    {
        QtOverlayWindow overlay(CoordinateSpace::centredFrame({960, 540}, kOverlaySize));
        overlay.setContentWidget(first);
        overlay.setContentWidget(second);

        EXPECT_TRUE(first.isNull());
        EXPECT_FALSE(second.isNull());
    }
    EXPECT_TRUE(second.isNull());
}

}  // namespace
}  // namespace platform
