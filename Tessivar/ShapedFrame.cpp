#include "Tessivar/ShapedFrame.h"

#include <QBitmap>
#include <array>

namespace tessivar {

namespace {
// An empty mask would mean no mask at all, the whole square shown; a frame that
// draws nothing shows only this pixel outside the window, that is nothing.
const QRect kNothingShown(-1, -1, 1, 1);

// Ordered dithering: a pixel is shown when its alpha exceeds the threshold of
// its place in a 4 x 4 Bayer matrix. The thresholds start at a quarter of full
// alpha: a fainter premultiplied pixel keeps too little of its colour to be
// shown opaque.
constexpr std::array<int, 16> kBayer{0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
constexpr int kFaintest = 64;

int threshold(int x, int y) {
    return kFaintest + kBayer[static_cast<std::size_t>((y % 4) * 4 + x % 4)] * (255 - kFaintest) / 16;
}

// One pixel per device-independent pixel: the mask's grid.
QImage onLogicalGrid(const QImage& frame, double ratio) {
    const QSize logical = (QSizeF(frame.size()) / ratio).toSize();
    if (frame.size() == logical) return frame;
    return frame.scaled(logical, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Every pixel made fully in or fully out, then read as a mask.
QRegion shownPixels(const QImage& straightAlpha, double ratio) {
    QImage shown = onLogicalGrid(straightAlpha, ratio);
    for (int y = 0; y < shown.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < shown.width(); ++x) row[x] = qAlpha(row[x]) > threshold(x, y) ? 0xff000000u : 0u;
    }
    const QRegion region(QBitmap::fromImage(shown.createAlphaMask()));
    return region.isEmpty() ? QRegion(kNothingShown) : region;
}
}  // namespace

ShapedFrame ShapedFrame::from(const QImage& translucent) {
    // Leaving the premultiplied format restores each pixel's own colour.
    const QImage straight = translucent.convertToFormat(QImage::Format_ARGB32);
    QImage opaque = straight.convertToFormat(QImage::Format_RGB32);
    opaque.setDevicePixelRatio(translucent.devicePixelRatio());
    return {opaque, shownPixels(straight, translucent.devicePixelRatio())};
}

}  // namespace tessivar
