#include "Tessivar/Onboarding/Private/SwitchToggle.h"

#include <QPainter>

#include "Tessivar/Onboarding/OnboardingAppearance.h"

namespace tessivar {

SwitchToggle::SwitchToggle(const QString& text, const OnboardingAppearance& look, QWidget* parent)
    : QCheckBox(text, parent), on_(look.accent), off_(look.secondary), text_(look.primary) {
    off_.setAlpha(kOffTrackAlpha);
    setCursor(Qt::PointingHandCursor);
}

QSize SwitchToggle::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + kSpacing + kTrackWidth, std::max(metrics.height(), kTrackHeight)};
}

QRect SwitchToggle::trackRect() const {
    return {width() - kTrackWidth, (height() - kTrackHeight) / 2, kTrackWidth, kTrackHeight};
}

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect track = trackRect();
    painter.setPen(text_);
    painter.drawText(QRect(0, 0, track.left() - kSpacing, height()), Qt::AlignVCenter | Qt::AlignLeft, text());

    const qreal radius = kTrackHeight / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? on_ : off_);
    painter.drawRoundedRect(track, radius, radius);
    const int knob = kTrackHeight - 2 * kKnobInset;
    const int knobX = isChecked() ? track.right() + 1 - kKnobInset - knob : track.left() + kKnobInset;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(knobX, track.top() + kKnobInset, knob, knob));
}

}  // namespace tessivar
