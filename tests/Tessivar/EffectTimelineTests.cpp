#include <gtest/gtest.h>

#include "Tessivar/Effects/Private/ArrowCursorImage.h"
#include "Tessivar/Effects/Private/EffectTimelines.h"

using tessivar::CursorScaleTimeline;
using tessivar::RippleTimeline;
using tessivar::TimingFunction;

namespace {

TEST(TimingFunction, CurvesRunFromZeroToOne) {
    for (const auto& f : {TimingFunction::linear(), TimingFunction::easeOut(), TimingFunction::easeInEaseOut()}) {
        EXPECT_NEAR(f.evaluate(0), 0, 1e-9);
        EXPECT_NEAR(f.evaluate(1), 1, 1e-9);
    }
    EXPECT_NEAR(TimingFunction::linear().evaluate(0.3), 0.3, 1e-9);
    EXPECT_GT(TimingFunction::easeOut().evaluate(0.5), 0.6) << "ease-out is ahead at half time";
    EXPECT_NEAR(TimingFunction::easeInEaseOut().evaluate(0.5), 0.5, 1e-9) << "symmetric curve";
    EXPECT_LT(TimingFunction::easeInEaseOut().evaluate(0.2), 0.2);
}

TEST(Keyframes, HoldTheirEndsAndInterpolateEachSegment) {
    const std::vector<double> values{0, 10, 4};
    const std::vector<double> times{0, 0.5, 1};
    EXPECT_EQ(tessivar::evaluateKeyframes(values, times, {}, -1), 0);
    EXPECT_EQ(tessivar::evaluateKeyframes(values, times, {}, 2), 4);
    EXPECT_NEAR(tessivar::evaluateKeyframes(values, times, {}, 0.25), 5, 1e-9);
    EXPECT_NEAR(tessivar::evaluateKeyframes(values, times, {}, 0.5), 10, 1e-9);
    EXPECT_NEAR(tessivar::evaluateKeyframes(values, times, {}, 0.75), 7, 1e-9);
}

TEST(CursorScaleTimeline, HotSpotStaysOnTheOverlayCentre) {
    const CursorScaleTimeline timeline({4, 5});
    for (double t : {0.0, 0.03, 0.1, 0.17, 0.25, 0.33, 0.4}) {
        const auto hot = timeline.hotSpotAt(t);
        EXPECT_NEAR(hot.x, 100, 1e-9) << "t = " << t;
        EXPECT_NEAR(hot.y, 100, 1e-9) << "t = " << t;
    }
}

TEST(CursorScaleTimeline, GrowsToFullSizeAtATenthOfASecondAndBack) {
    const CursorScaleTimeline timeline({4, 5});
    EXPECT_NEAR(timeline.at(0).scale, 1.0 / 3, 1e-9);
    EXPECT_NEAR(timeline.at(0.1).scale, 1.0, 1e-9);
    EXPECT_NEAR(timeline.at(0.4).scale, 1.0 / 3, 1e-9);
    EXPECT_GT(timeline.at(0.05).scale, timeline.at(0.02).scale);
    EXPECT_LT(timeline.at(0.3).scale, timeline.at(0.2).scale);
    EXPECT_EQ(timeline.at(0.1).origin, (platform::Point{88, 85}));
}

TEST(CursorScaleTimeline, FadesOnlyInTheLastSixtyMilliseconds) {
    const CursorScaleTimeline timeline({1, 1});
    EXPECT_EQ(timeline.at(0.0).opacity, 1);
    EXPECT_NEAR(timeline.at(0.34).opacity, 1, 1e-9);
    EXPECT_NEAR(timeline.at(0.37).opacity, 0.5, 1e-9);
    EXPECT_NEAR(timeline.at(0.4).opacity, 0, 1e-9);
    EXPECT_NEAR(timeline.at(0.5).opacity, 0, 1e-9) << "held after the end";
}

TEST(RippleTimeline, ExpandsAndFadesOverItsDuration) {
    EXPECT_NEAR(RippleTimeline::at(0).scale, 1, 1e-9);
    EXPECT_NEAR(RippleTimeline::at(0).opacity, 0.75, 1e-9);
    EXPECT_NEAR(RippleTimeline::at(0.32).scale, 4.25, 1e-9);
    EXPECT_NEAR(RippleTimeline::at(0.32).opacity, 0, 1e-9);
    const auto half = RippleTimeline::at(0.16);
    EXPECT_GT(half.scale, 1 + 3.25 * 0.5) << "eased out: more than half grown at half time";
    EXPECT_LT(half.opacity, 0.75 * 0.5);
}

TEST(ArrowCursorImage, BitmapIsThreeTimesTheArrowAtTheDisplaysDensity) {
    EXPECT_EQ(tessivar::ArrowCursorImage::bitmapPixels(3, 2), QSize(96, 144));
    EXPECT_EQ(tessivar::ArrowCursorImage::bitmapPixels(3, 1.5), QSize(72, 108));
    EXPECT_EQ(tessivar::ArrowCursorImage::bitmapPixels(3, 1.33), QSize(63, 95)) << "truncated, not rounded";

    const QImage image = tessivar::ArrowCursorImage::render(3, 2);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(96, 144));
    EXPECT_EQ(image.deviceIndependentSize(), QSizeF(48, 72));
    EXPECT_EQ(qAlpha(image.pixel(90, 140)), 0) << "transparent outside the arrow";
    EXPECT_GT(qAlpha(image.pixel(12, 40)), 0) << "opaque inside the arrow";
}

}  // namespace
