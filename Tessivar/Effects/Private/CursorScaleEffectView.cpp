#include "Tessivar/Effects/Private/CursorScaleEffectView.h"

#include <QPainter>

namespace tessivar {

CursorScaleEffectView::CursorScaleEffectView(EnlargedCursor cursor, EffectFrameCache* frames, QWidget* parent)
    : EffectView(CursorScaleTimeline::kDuration, frames, parent),
      cursor_(std::move(cursor)),
      timeline_(cursor_.hotSpot) {}

void CursorScaleEffectView::setEnlargedCursor(EnlargedCursor cursor) {
    cursor_ = std::move(cursor);
    timeline_ = CursorScaleTimeline(cursor_.hotSpot);
}

std::string CursorScaleEffectView::look() const { return "scale " + cursor_.look; }

void CursorScaleEffectView::drawFrame(QPainter& painter, double seconds) {
    // A failed bitmap leaves the overlay empty; the player still takes it away.
    if (cursor_.image.isNull()) return;
    const auto frame = timeline_.at(seconds);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(frame.opacity);
    painter.translate(frame.origin.x, frame.origin.y);
    painter.scale(frame.scale, frame.scale);
    const double enlargement = EnlargedCursor::kEnlargement;
    painter.drawImage(QRectF(0, 0, cursor_.size.width * enlargement, cursor_.size.height * enlargement), cursor_.image);
}

}  // namespace tessivar
