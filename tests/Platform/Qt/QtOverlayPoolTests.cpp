#include <gtest/gtest.h>
#include <QApplication>
#include <QSet>
#include <QWidget>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Qt/QtOverlayPool.h"
#include "Platform/Qt/QtOverlayWindow.h"

namespace platform {
namespace {

Rect around(Point centre) { return CoordinateSpace::centredFrame(centre, {200, 200}); }

int overlayWindowCount() {
    int count = 0;
    for (auto* widget : QApplication::topLevelWidgets()) count += widget->windowType() == Qt::ToolTip ? 1 : 0;
    return count;
}

// Effects one after another use the same few windows; a fourth effect while
// three play takes the window of the first, whose lease goes dead: its removal
// can no longer hide what the newest effect shows.
TEST(QtOverlayPool, LendsItsFewWindowsOverAndOverAndTakesTheOldestBack) {
    const int before = overlayWindowCount();
    QtOverlayPool pool(3);
    EXPECT_EQ(overlayWindowCount(), before + 3) << "made at once, with their native windows";

    QSet<QWidget*> used;
    for (int i = 0; i < 10; ++i) {
        auto lease = pool.lend(around({500.0 + i, 500}));
        lease->orderFront();
        used.insert(lease->window()->widget());
        lease->orderOut();
        EXPECT_FALSE(lease->isVisible());
    }
    EXPECT_EQ(used.size(), 1) << "a window given back is lent again";

    auto first = pool.lend(around({100, 100}));
    auto second = pool.lend(around({300, 100}));
    auto third = pool.lend(around({500, 100}));
    for (auto* lease : {first.get(), second.get(), third.get()}) lease->orderFront();
    QWidget* firstWindow = first->window()->widget();

    auto fourth = pool.lend(around({700, 100}));
    fourth->orderFront();
    EXPECT_EQ(fourth->window()->widget(), firstWindow);
    EXPECT_EQ(fourth->frame(), around({700, 100}));
    EXPECT_EQ(first->window(), nullptr);
    EXPECT_FALSE(first->isVisible());

    first->orderOut();  // the old effect's removal
    first->setFrameOrigin({0, 0});
    EXPECT_TRUE(fourth->isVisible()) << "the newest effect stays";
    EXPECT_EQ(fourth->frame(), around({700, 100}));
    EXPECT_EQ(overlayWindowCount(), before + 3);

    second.reset();  // a lease let go gives its window back hidden
    auto fifth = pool.lend(around({900, 100}));
    EXPECT_FALSE(fifth->window()->widget()->isVisible()) << "a free window is taken before a playing one";
}

}  // namespace
}  // namespace platform
