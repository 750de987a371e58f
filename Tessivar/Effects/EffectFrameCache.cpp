#include "Tessivar/Effects/EffectFrameCache.h"

#include <algorithm>
#include <cmath>

#include "Tessivar/Effects/Private/ShapedFrame.h"

namespace tessivar {

namespace {

// The pointer's pictures met in one session are few (arrow, hand, text beam);
// a frame is a few kilobytes.
constexpr std::size_t kLooksKept = 6;

// The device pixels any drawing touched, as a rectangle.
QRect drawnPixels(const QImage& image) {
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = y;
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Widened to whole device-independent pixels, so the crop sits on the view's grid.
QRect onLogicalGrid(const QRect& pixels, double ratio, QSize bounds) {
    const int step = std::max(1, static_cast<int>(std::ceil(ratio)));
    const QRect widened(QPoint(pixels.left() / step * step, pixels.top() / step * step),
                        QPoint((pixels.right() / step + 1) * step - 1, (pixels.bottom() / step + 1) * step - 1));
    return widened.intersected(QRect(QPoint(0, 0), bounds));
}

}  // namespace

EffectFrame EffectFrame::render(QSize size, double ratio, bool shaped, const Draw& draw) {
    QImage canvas((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    canvas.setDevicePixelRatio(ratio);
    {
        QPainter painter(&canvas);
        draw(painter);
    }
    const QRect pixels = drawnPixels(canvas);
    if (pixels.isEmpty()) return {QImage(), QRect(), shaped ? ShapedFrame::nothingShown() : QRegion()};
    const QRect crop = onLogicalGrid(pixels, ratio, canvas.size());
    QImage part = canvas.copy(crop);
    part.setDevicePixelRatio(ratio);
    const QRect area((QPointF(crop.topLeft()) / ratio).toPoint(), (QSizeF(crop.size()) / ratio).toSize());
    if (!shaped) return {part, area, QRegion()};
    auto cut = ShapedFrame::from(part, area.topLeft());
    return {std::move(cut.image), area, std::move(cut.region)};
}

EffectFrameCache::Entry& EffectFrameCache::entryFor(const Look& look, std::size_t count) {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.look == look; });
    if (found != entries_.end()) {
        entries_.splice(entries_.begin(), entries_, found);
    } else {
        entries_.push_front(Entry{look, std::vector<std::optional<EffectFrame>>(count)});
        if (entries_.size() > kLooksKept) entries_.pop_back();
    }
    return entries_.front();
}

const EffectFrame& EffectFrameCache::frame(const Look& look, std::size_t index, std::size_t count,
                                           const EffectFrame::Draw& draw) {
    auto& frames = entryFor(look, count).frames;
    auto& slot = frames[std::min(index, frames.size() - 1)];
    if (!slot) slot = EffectFrame::render(look.size, look.ratio, look.shaped, draw);
    return *slot;
}

}  // namespace tessivar
