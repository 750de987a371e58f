#include "Tessivar/Onboarding/Private/KeyCap.h"

#include <QPainter>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"

namespace tessivar {

namespace {
constexpr double kRadius = 8;
constexpr int kPadding = 6;
constexpr int kSymbolSize = 16;
constexpr int kCaptionSize = 8;
constexpr double kCapShadowOpacity = 0.08;
}  // namespace

KeyCap::KeyCap(const QString& symbol, const QString& caption, int width, const OnboardingAppearance& look,
               QWidget* parent)
    : QWidget(parent),
      symbol_(symbol),
      caption_(caption),
      face_(look.controlBackground),
      text_(look.primary),
      captionColour_(look.secondary) {
    setFixedSize(width, kHeight);
}

void KeyCap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cap = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(OnboardingStyle::faded(Qt::black, kCapShadowOpacity));
    painter.drawRoundedRect(cap.translated(0, 1), kRadius, kRadius);
    painter.setBrush(face_);
    painter.drawRoundedRect(cap, kRadius, kRadius);

    const QRect inner = rect().adjusted(kPadding, kPadding, -kPadding, -kPadding);
    painter.setPen(text_);
    painter.setFont(OnboardingStyle::font(font(), kSymbolSize, QFont::Medium));
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, symbol_);
    painter.setPen(captionColour_);
    painter.setFont(OnboardingStyle::font(font(), kCaptionSize, QFont::DemiBold));
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom, caption_);
}

}  // namespace tessivar
