#include <gtest/gtest.h>
#include <QImage>

#include "Tessivar/Effects/Private/ShapedFrame.h"

using tessivar::ShapedFrame;

namespace {

QImage uniformFrame(QSize pixels, QRgb premultiplied, double ratio = 1) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
}

int shownPixels(const QRegion& region, QSize within) {
    int shown = 0;
    for (int y = 0; y < within.height(); ++y) {
        for (int x = 0; x < within.width(); ++x) shown += region.contains(QPoint(x, y)) ? 1 : 0;
    }
    return shown;
}

// One uniform 8 x 8 frame per case: how many of its 64 pixels are shown and in
// which colour.
TEST(ShapedFrame, ShowsPixelsByAlphaInTheirOwnColour) {
    struct Case {
        const char* what;
        QRgb premultiplied;
        int minShown;
        int maxShown;
        QRgb colour;
    } cases[] = {
        {"opaque red", qRgba(255, 0, 0, 255), 64, 64, qRgb(255, 0, 0)},
        {"nearly opaque white", qRgba(250, 250, 250, 250), 64, 64, qRgb(255, 255, 255)},
        {"half blue, dithered", qRgba(0, 0, 128, 128), 20, 44, qRgb(0, 0, 255)},
        {"faint white, too coarse to show", qRgba(60, 60, 60, 60), 0, 0, 0},
        {"nothing", qRgba(0, 0, 0, 0), 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto shaped = ShapedFrame::from(uniformFrame({8, 8}, c.premultiplied));
        const int shown = shownPixels(shaped.region, {8, 8});
        EXPECT_GE(shown, c.minShown) << c.what;
        EXPECT_LE(shown, c.maxShown) << c.what;
        EXPECT_FALSE(shaped.image.hasAlphaChannel()) << c.what;
        if (shown > 0) {
            EXPECT_EQ(shaped.image.pixel(3, 3), c.colour | 0xff000000u) << c.what;
        }
        EXPECT_FALSE(shaped.region.isEmpty()) << c.what << ": an empty mask would show the whole window";
    }
}

// Opaque and clear pixels only, so which are shown is known without any
// dithering: the rectangles the shape is sent as must cover exactly the
// opaque ones. Rows repeat in places, which the shape joins into taller bands.
TEST(ShapedFrame, ItsBandsCoverExactlyTheOpaquePixels) {
    QImage frame(40, 30, QImage::Format_ARGB32_Premultiplied);
    QRegion expected;
    const QPoint at(5, 9);
    for (int y = 0; y < frame.height(); ++y) {
        const int pattern = y / 3;  // three rows alike, then another pattern
        for (int x = 0; x < frame.width(); ++x) {
            const bool opaque = ((x * 7 + pattern * 11) % 13) < 6 || (pattern == 4 && x > 30);
            frame.setPixel(x, y, opaque ? qRgba(200, 0, 0, 255) : qRgba(0, 0, 0, 0));
            if (opaque) expected += QRect(at.x() + x, at.y() + y, 1, 1);
        }
    }
    const auto shaped = ShapedFrame::from(frame, at);
    EXPECT_TRUE(shaped.region.xored(expected).isEmpty());
    EXPECT_LT(shaped.region.rectCount(), frame.height() * frame.width() / 4) << "runs and bands, not pixels";
}

TEST(ShapedFrame, ItsRegionIsInDeviceIndependentPixels) {
    QImage frame = uniformFrame({16, 16}, qRgba(0, 0, 0, 0), 2);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) frame.setPixel(x, y, qRgba(0, 255, 0, 255));
    }
    const auto shaped = ShapedFrame::from(frame);
    EXPECT_EQ(shaped.region, QRegion(0, 0, 4, 4));
    EXPECT_EQ(shaped.image.devicePixelRatio(), 2);
    EXPECT_EQ(shaped.image.size(), QSize(16, 16));
}

}  // namespace
