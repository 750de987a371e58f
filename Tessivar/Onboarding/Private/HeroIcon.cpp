#include "Tessivar/Onboarding/Private/HeroIcon.h"

#include <QPainter>

#include "Tessivar/Onboarding/Private/OnboardingStyle.h"

namespace tessivar {

namespace {
constexpr double kDiscOpacity = 0.08;
constexpr double kGlowOpacity = 0.25;
constexpr double kGlowInner = 8;
constexpr double kShadowOpacity = 0.33;
constexpr double kShadowRadius = 4;
constexpr QPointF kShadowOffset{0, 2};

// The picture's shape in black, spread over its radius by a few faint copies.
void drawShadow(QPainter& painter, const QPixmap& picture, QPointF at) {
    QPixmap silhouette = picture;
    {
        QPainter tint(&silhouette);
        tint.setCompositionMode(QPainter::CompositionMode_SourceIn);
        tint.fillRect(silhouette.rect(), Qt::black);
    }
    painter.save();
    const QPointF offsets[] = {{0, 0}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    painter.setOpacity(kShadowOpacity / 4);
    for (const QPointF& offset : offsets) {
        painter.drawPixmap(at + kShadowOffset + offset * (kShadowRadius / 2), silhouette);
    }
    painter.restore();
}
}  // namespace

HeroIcon::HeroIcon(QPixmap picture, const QColor& accent, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)), accent_(accent) {
    setFixedSize(kSide, kSide);
}

void HeroIcon::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QPointF centre(kSide / 2.0, kSide / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(OnboardingStyle::faded(accent_, kDiscOpacity));
    painter.drawEllipse(centre, kSide / 2.0, kSide / 2.0);
    QRadialGradient glow(centre, kSide / 2.0);
    glow.setColorAt(kGlowInner / (kSide / 2.0), OnboardingStyle::faded(accent_, kGlowOpacity));
    glow.setColorAt(1, Qt::transparent);
    painter.setBrush(glow);
    painter.drawEllipse(centre, kSide / 2.0, kSide / 2.0);
    const QSizeF size = picture_.deviceIndependentSize();
    const QPointF at(centre.x() - size.width() / 2, centre.y() - size.height() / 2);
    drawShadow(painter, picture_, at);
    painter.drawPixmap(at, picture_);
}

}  // namespace tessivar
