#include "Tessivar/Onboarding/Private/Entrance.h"

#include <QPainter>
#include <QWidget>

#include <algorithm>

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

Entrance::Entrance(QWidget* block, EntranceStyle style)
    : QObject(block), style_(style), effect_(new EntranceEffect(block)) {
    block->setGraphicsEffect(effect_);
    const double total = style_.delaySeconds + style_.spring.settlingSeconds();
    animation_.setStartValue(0.0);
    animation_.setEndValue(total);
    animation_.setDuration(static_cast<int>(total * 1000));
    connect(&animation_, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& seconds) { showFrame(seconds.toDouble()); });
    // At rest the block draws itself, without the effect's extra pass.
    connect(&animation_, &QVariantAnimation::finished, this, [this] { effect_->setEnabled(false); });
    showFrame(0);
}

void Entrance::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    animation_.stop();
    effect_->setEnabled(true);
    if (!shown_) return showFrame(0);
    animation_.start();
}

void Entrance::showFrame(double seconds) {
    const double progress = style_.spring.value(seconds - style_.delaySeconds);
    effect_->setFrame(style_.hiddenScale + (1 - style_.hiddenScale) * progress, std::clamp(progress, 0.0, 1.0));
}

double Entrance::scale() const { return effect_->isEnabled() ? effect_->scale() : 1.0; }

double Entrance::opacity() const { return effect_->isEnabled() ? effect_->opacity() : 1.0; }

}  // namespace tessivar
