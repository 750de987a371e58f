#include "Tessivar/Effects/Private/ShapedFrame.h"

#include <QRgb>
#include <array>
#include <vector>

namespace tessivar {

namespace {
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

// Each pixel's own colour, made opaque: leaving the premultiplied form.
QImage opaqueColours(const QImage& premultiplied) {
    QImage opaque(premultiplied.size(), QImage::Format_RGB32);
    for (int y = 0; y < premultiplied.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(opaque.scanLine(y));
        for (int x = 0; x < premultiplied.width(); ++x) out[x] = qUnpremultiply(in[x]) | 0xff000000u;
    }
    opaque.setDevicePixelRatio(premultiplied.devicePixelRatio());
    return opaque;
}

// The runs of shown pixels along one row, as [start, end) pairs.
std::vector<std::pair<int, int>> shownRuns(const QRgb* row, int width, int y) {
    std::vector<std::pair<int, int>> runs;
    for (int x = 0; x < width;) {
        if (qAlpha(row[x]) <= threshold(x, y)) {
            ++x;
            continue;
        }
        const int start = x;
        while (x < width && qAlpha(row[x]) > threshold(x, y)) ++x;
        runs.emplace_back(start, x);
    }
    return runs;
}

// The shown pixels as the bands a region keeps: rows with the same runs
// become one band of taller rectangles, so the window system gets few.
QRegion shownPixels(const QImage& premultiplied, QPoint at) {
    const QImage grid = onLogicalGrid(premultiplied, premultiplied.devicePixelRatio());
    std::vector<QRect> rects;
    std::vector<std::pair<int, int>> bandRuns;
    std::size_t bandStart = 0;
    for (int y = 0; y < grid.height(); ++y) {
        auto runs = shownRuns(reinterpret_cast<const QRgb*>(grid.constScanLine(y)), grid.width(), y);
        const bool continuesBand =
            !runs.empty() && runs == bandRuns && rects.size() > bandStart && rects.back().bottom() == at.y() + y - 1;
        if (continuesBand) {
            for (auto i = bandStart; i < rects.size(); ++i) rects[i].setBottom(at.y() + y);
            continue;
        }
        bandStart = rects.size();
        for (const auto& [start, end] : runs) rects.emplace_back(at.x() + start, at.y() + y, end - start, 1);
        bandRuns = std::move(runs);
    }
    if (rects.empty()) return ShapedFrame::nothingShown();
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}
}  // namespace

QRegion ShapedFrame::nothingShown() { return QRegion(-1, -1, 1, 1); }

ShapedFrame ShapedFrame::from(const QImage& translucent, QPoint at) {
    const QImage premultiplied = translucent.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return {opaqueColours(premultiplied), shownPixels(premultiplied, at)};
}

}  // namespace tessivar
