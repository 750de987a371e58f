#include "Tessivar/CursorScaleEffectView.h"

#include <QPainter>

#include "Tessivar/ArrowCursorImage.h"

namespace tessivar {

namespace {
constexpr double kEnlargement = 3;
}

CursorScaleEffectView::CursorScaleEffectView(double backingScale, QWidget* parent)
    : EffectView(CursorScaleTimeline::kDuration, parent),
      image_(ArrowCursorImage::render(kEnlargement, backingScale)),
      timeline_(ArrowCursorImage::hotSpot()) {}

void CursorScaleEffectView::paintEvent(QPaintEvent*) {
    // A failed bitmap leaves the overlay empty; it is still removed on schedule.
    if (image_.isNull()) return;
    const auto frame = timeline_.at(elapsedSeconds());
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(frame.opacity);
    painter.translate(frame.origin.x, frame.origin.y);
    painter.scale(frame.scale, frame.scale);
    const auto size = ArrowCursorImage::size();
    painter.drawImage(QRectF(0, 0, size.width * kEnlargement, size.height * kEnlargement), image_);
}

}  // namespace tessivar
