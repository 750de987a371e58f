#include <QImage>
#include <gtest/gtest.h>

#include "Tessivar/ShapedFrame.h"

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
