#include <gtest/gtest.h>
#include <QPainter>

#include "Tessivar/Effects/EffectFrameCache.h"

using tessivar::EffectFrame;
using tessivar::EffectFrameCache;

namespace {

EffectFrameCache::Look look(const std::string& effect, double ratio = 1, bool shaped = false) {
    return {effect, QSize(200, 200), ratio, shaped};
}

// A red square of 10 points at (50, 60).
void drawSquare(QPainter& painter) { painter.fillRect(QRectF(50, 60, 10, 10), Qt::red); }

// The part drawn is all that is kept, in points on the view and in device
// pixels in the image; a shaped frame shows exactly the drawn pixels.
TEST(EffectFrame, KeepsOnlyTheDrawnPartOnTheViewsGrid) {
    for (double ratio : {1.0, 2.0}) {
        const auto plain = EffectFrame::render({200, 200}, ratio, false, drawSquare);
        EXPECT_EQ(plain.area, QRect(50, 60, 10, 10)) << ratio;
        EXPECT_EQ(plain.image.size(), QSize(10, 10) * ratio) << ratio;
        EXPECT_TRUE(plain.shown.isEmpty()) << ratio;

        const auto shaped = EffectFrame::render({200, 200}, ratio, true, drawSquare);
        EXPECT_EQ(shaped.shown, QRegion(50, 60, 10, 10)) << ratio;
        EXPECT_FALSE(shaped.image.hasAlphaChannel()) << ratio;
    }
    const auto nothing = EffectFrame::render({200, 200}, 1, true, [](QPainter&) {});
    EXPECT_TRUE(nothing.area.isEmpty());
    EXPECT_FALSE(nothing.shown.isEmpty()) << "an empty mask would show the whole window";
    EXPECT_FALSE(nothing.shown.intersects(QRect(0, 0, 200, 200)));
}

TEST(EffectFrameCache, DrawsEachFrameOfALookOnceAndKeepsTheLooksUsedLast) {
    EffectFrameCache cache;
    int draws = 0;
    const auto draw = [&](QPainter& painter) {
        ++draws;
        drawSquare(painter);
    };
    const auto& first = cache.frame(look("scale 1"), 3, 49, draw);
    EXPECT_EQ(&cache.frame(look("scale 1"), 3, 49, draw), &first);
    EXPECT_EQ(draws, 1);
    cache.frame(look("scale 1"), 4, 49, draw);
    cache.frame(look("scale 1", 2), 3, 49, draw);
    cache.frame(look("scale 1", 1, true), 3, 49, draw);
    cache.frame(look("ring #3daee9"), 3, 49, draw);
    EXPECT_EQ(draws, 5) << "another time, scale, shape or effect is another frame";
    cache.frame(look("scale 1"), 60, 49, draw);
    EXPECT_EQ(draws, 6) << "past the end is the last frame";
    cache.frame(look("scale 1"), 48, 49, draw);
    EXPECT_EQ(draws, 6);

    for (int i = 0; i < 6; ++i) cache.frame(look("scale " + std::to_string(100 + i)), 0, 49, draw);
    cache.frame(look("scale 1"), 3, 49, draw);
    EXPECT_EQ(draws, 13) << "a look not used for six others is drawn again";
}

}  // namespace
