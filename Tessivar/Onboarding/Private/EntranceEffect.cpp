#include "Tessivar/Onboarding/Private/EntranceEffect.h"

#include <QPainter>

namespace tessivar {

namespace {
constexpr double kOvershootRoom = 0.1;
}  // namespace

EntranceEffect::EntranceEffect(QObject* parent) : QGraphicsEffect(parent) {}

void EntranceEffect::setFrame(double scale, double opacity) {
    if (scale == scale_ && opacity == opacity_) return;
    scale_ = scale;
    opacity_ = opacity;
    update();
}

QRectF EntranceEffect::boundingRectFor(const QRectF& rect) const {
    return rect.adjusted(-rect.width() * kOvershootRoom, -rect.height() * kOvershootRoom, rect.width() * kOvershootRoom,
                         rect.height() * kOvershootRoom);
}

void EntranceEffect::draw(QPainter* painter) {
    if (opacity_ <= 0) return;
    if (scale_ == 1 && opacity_ >= 1) return drawSource(painter);
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset);
    const QRectF bounds(offset, pixmap.deviceIndependentSize());
    painter->save();
    painter->setOpacity(std::min(opacity_, 1.0));
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(bounds.center());
    painter->scale(scale_, scale_);
    painter->translate(-bounds.center());
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

}  // namespace tessivar
