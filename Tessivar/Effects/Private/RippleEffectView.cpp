#include "Tessivar/Effects/Private/RippleEffectView.h"

#include <QPainter>

#include "Tessivar/Effects/Private/RippleTimeline.h"

namespace tessivar {

RippleEffectView::RippleEffectView(EffectFrameCache* frames, QWidget* parent)
    : EffectView(RippleTimeline::kDuration, frames, parent) {}

// The ring takes the accent colour, which the user may change.
std::string RippleEffectView::look() const {
    return "ring " + palette().color(QPalette::Highlight).name().toStdString();
}

void RippleEffectView::drawFrame(QPainter& painter, double seconds) {
    const auto frame = RippleTimeline::at(seconds);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(frame.opacity);
    painter.translate(width() * 0.5, height() * 0.5);
    painter.scale(frame.scale, frame.scale);
    painter.setPen(QPen(palette().color(QPalette::Highlight), RippleTimeline::kLineWidth));
    painter.setBrush(Qt::NoBrush);
    const double radius = RippleTimeline::kDiameter * 0.5;
    painter.drawEllipse(QRectF(-radius, -radius, RippleTimeline::kDiameter, RippleTimeline::kDiameter));
}

}  // namespace tessivar
