#include "Tessivar/ShapedFrame.h"

#include <array>
#include <vector>

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

int threshold(int x, int y) { return kFaintest + kBayer[static_cast<std::size_t>((y % 4) * 4 + x % 4)] * (255 - kFaintest) / 16; }

// The frame's alpha, one value per device-independent pixel: the mask's grid.
QImage logicalAlpha(const QImage& translucent) {
    QImage alpha = translucent.convertToFormat(QImage::Format_Alpha8);
    const QSize logical = (QSizeF(translucent.size()) / translucent.devicePixelRatio()).toSize();
    if (alpha.size() == logical) return alpha;
    return alpha.scaled(logical, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The shown pixels of one row as maximal runs, the banded form QRegion keeps.
void appendRuns(const uchar* alpha, int width, int y, std::vector<QRect>& runs) {
    int start = -1;
    for (int x = 0; x <= width; ++x) {
        const bool shown = x < width && alpha[x] > threshold(x, y);
        if (shown && start < 0) start = x;
        if (shown || start < 0) continue;
        runs.emplace_back(start, y, x - start, 1);
        start = -1;
    }
}

QRegion shownPixels(const QImage& translucent) {
    const QImage alpha = logicalAlpha(translucent);
    std::vector<QRect> runs;
    for (int y = 0; y < alpha.height(); ++y) appendRuns(alpha.constScanLine(y), alpha.width(), y, runs);
    if (runs.empty()) return QRegion(kNothingShown);
    QRegion region;
    region.setRects(runs.data(), static_cast<int>(runs.size()));
    return region;
}
}  // namespace

ShapedFrame ShapedFrame::from(const QImage& translucent) {
    // Leaving the premultiplied format restores each pixel's own colour.
    QImage opaque = translucent.convertToFormat(QImage::Format_ARGB32).convertToFormat(QImage::Format_RGB32);
    opaque.setDevicePixelRatio(translucent.devicePixelRatio());
    return {opaque, shownPixels(translucent)};
}

}  // namespace tessivar
