#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTest>
#include <QTimer>

#include "Platform/Desktop/CursorImageSource.h"
#include "Tessivar/Effects/Private/EffectView.h"

using tessivar::CursorScaleEffectView;
using tessivar::EnlargedCursor;

namespace {

constexpr QRgb kRed = 0xffff0000;

platform::CursorImage redPointer(int width, int height, platform::Point hotSpot) {
    return {width, height, hotSpot, 7, std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), kRed)};
}

// A view on its own is its own window, so its mask is the window's shape.
struct PlayingView {
    PlayingView(std::unique_ptr<tessivar::EffectView> effect, bool shaped) : view(std::move(effect)) {
        view->resize(200, 200);
        view->setShapedToDrawing(shaped);
        view->startAnimation();
    }
    std::unique_ptr<tessivar::EffectView> view;
};

// Plays a ring of its own on the screen to its end: once it says it has played,
// a whole ring's time has passed on the event loop, with every other view's
// timers ticking meanwhile. Tests that need that much time to pass wait for this
// instead of sleeping, however slowly a busy machine runs the loop.
bool aWholeRingPlayedElsewhere() {
    const PlayingView ring(std::make_unique<tessivar::RippleEffectView>(), true);
    bool played = false;
    ring.view->setWhenPlayed([&played] { played = true; });
    ring.view->show();
    return QTest::qWaitFor([&played] { return played; }, 10000);
}

PlayingView scaleEffect(platform::Point hotSpot, bool shaped) {
    auto cursor = EnlargedCursor::fromCursorImage(redPointer(20, 20, hotSpot), 1);
    return PlayingView(std::make_unique<CursorScaleEffectView>(cursor), shaped);
}

// The effect starts at the pointer's own size, its hot spot on the centre
// (100, 100): a 20 x 20 picture spans 20 points from the hot spot back.
TEST(CursorScaleEffectView, DrawsThePointersPictureWithItsHotSpotOnTheCentre) {
    struct Case {
        platform::Point hotSpot;
        QPoint inside;
        QPoint outside;
    } cases[] = {
        {{0, 0}, {106, 106}, {94, 94}},
        {{10, 10}, {94, 94}, {113, 113}},
        {{19, 19}, {86, 86}, {103, 103}},
    };
    for (const auto& c : cases) {
        const auto playing = scaleEffect(c.hotSpot, false);
        const QImage frame = playing.view->grab().toImage();
        EXPECT_EQ(frame.pixel(c.inside), kRed) << c.hotSpot.x;
        EXPECT_EQ(qAlpha(frame.pixel(c.outside)), 0) << c.hotSpot.x;
        EXPECT_TRUE(playing.view->mask().isEmpty()) << "a compositor blends the whole square";
    }
}

// Started long before its window shows, as by a program starved between
// the jump and the first paint, the ring still plays from its first frame
// once shown, and says it has played only after all of it.
TEST(RippleEffectView, PlaysFromItsFirstFrameOnTheScreenHoweverLateThatComes) {
    const PlayingView playing(std::make_unique<tessivar::RippleEffectView>(), true);
    bool played = false;
    playing.view->setWhenPlayed([&played] { played = true; });
    ASSERT_TRUE(aWholeRingPlayedElsewhere()) << "longer than the ring plays";

    QElapsedTimer sinceShown;
    sinceShown.start();
    playing.view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(playing.view.get()));
    EXPECT_TRUE(QRect(80, 80, 40, 40).contains(playing.view->mask().boundingRect())) << "the ring at its start";
    EXPECT_FALSE(played);

    EXPECT_TRUE(QTest::qWaitFor([&played] { return played; }, 10000));
    EXPECT_GE(sinceShown.elapsed(), 320) << "the whole ring plays from the first frame shown";
}

// A view used for the next effect plays it whole from its first frame, however
// far the last play had come, and each play is told once.
TEST(RippleEffectView, StartedAgainItPlaysWholeFromItsFirstFrame) {
    const PlayingView playing(std::make_unique<tessivar::RippleEffectView>(), true);
    const QRegion firstFrame = playing.view->mask();
    int played = 0;
    playing.view->setWhenPlayed([&] { ++played; });
    playing.view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(playing.view.get()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return played == 1; }, 10000)) << "the first play";
    // Started again as soon as the last play ended, and again part way through.
    for (const bool partWay : {false, true}) {
        const char* when = partWay ? "part way through" : "once the last play ended";
        int toldBefore = played;
        // Caught between its first frame and its end; a loop starved past the
        // whole ring did not catch it, and starts it again.
        bool caught = !partWay;
        for (int attempt = 0; !caught && attempt < 20; ++attempt) {
            toldBefore = played;
            playing.view->startAnimation();
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return playing.view->mask() != firstFrame || played > toldBefore; }, 10000));
            caught = played == toldBefore;
        }
        ASSERT_TRUE(caught) << "never caught part way";
        QElapsedTimer sinceStarted;
        sinceStarted.start();
        playing.view->startAnimation();
        EXPECT_TRUE(QRect(80, 80, 40, 40).contains(playing.view->mask().boundingRect()))
            << when << ": the ring at its start";
        ASSERT_TRUE(QTest::qWaitFor([&] { return played > toldBefore; }, 10000)) << when;
        // No sleep can be trusted to be long enough on a busy machine; a lower
        // bound on the time the play took can only be broken by the view.
        EXPECT_GE(sinceStarted.elapsed(), 320) << when << ": the whole ring plays again";
        ASSERT_TRUE(aWholeRingPlayedElsewhere());
        EXPECT_EQ(played, toldBefore + 1) << when << ": told once";
    }
}

// A window cut to nothing may get no paint for its faded last frame: the play
// ends in the same turn of the event loop that shows the frame ending its time.
TEST(RippleEffectView, EndsWithTheFrameThatEndsItsTimeWithoutWaitingForAPaint) {
    struct Watched : tessivar::RippleEffectView {
        int* turn = nullptr;
        mutable int lastFrameTurn = -1;
        std::string look() const override {
            lastFrameTurn = *turn;
            return RippleEffectView::look();
        }
    };
    int turn = 0;
    auto watched = std::make_unique<Watched>();
    watched->turn = &turn;
    Watched& view = *watched;
    const PlayingView playing(std::move(watched), true);
    int playedTurn = -1;
    playing.view->setWhenPlayed([&] { playedTurn = turn; });
    const QRegion first = playing.view->mask();
    playing.view->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return playing.view->mask() != first; }, 10000)) << "the clock runs";
    playing.view->setUpdatesEnabled(false);  // no paint comes from here on

    QTimer wakeUp;  // so that a play that never ends fails instead of waiting for ever
    wakeUp.start(20);
    for (; playedTurn < 0 && turn < 500; ++turn) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    ASSERT_GE(playedTurn, 0);
    EXPECT_EQ(playedTurn, view.lastFrameTurn);
}

TEST(RippleEffectView, ShapedItShowsTheRingOnly) {
    const PlayingView playing(std::make_unique<tessivar::RippleEffectView>(), true);
    const QRegion shape = playing.view->mask();
    EXPECT_FALSE(shape.isEmpty());
    EXPECT_FALSE(shape.contains(QPoint(100, 100))) << "the ring's middle";
    EXPECT_TRUE(shape.boundingRect().contains(QPoint(100, 100)));
    EXPECT_TRUE(QRect(80, 80, 40, 40).contains(shape.boundingRect())) << "a 16-point ring at its start";
}

}  // namespace
