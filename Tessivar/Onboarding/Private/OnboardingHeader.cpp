#include "Tessivar/Onboarding/Private/OnboardingHeader.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/Onboarding/Private/PageDots.h"
#include "Tessivar/WindowDragGesture.h"

namespace tessivar {

namespace {
constexpr double kWashOpacity = 0.12;
constexpr double kTitleOpacity = 0.85;
constexpr int kSideMargin = 28;
constexpr int kTopMargin = 12;
constexpr int kTitleSize = 16;
}  // namespace

OnboardingHeader::OnboardingHeader(const OnboardingAppearance& look, QWidget* parent)
    : QWidget(parent),
      wash_(OnboardingStyle::faded(look.accent, kWashOpacity)),
      background_(look.windowBackground),
      dots_(new PageDots(look.accent, look.primary)) {
    setFixedHeight(kHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(kSideMargin, kTopMargin, kSideMargin, 0);
    auto* title = OnboardingStyle::label(kTitle, kTitleSize, QFont::DemiBold,
                                         OnboardingStyle::faded(look.primary, kTitleOpacity));
    row->addWidget(title);
    row->addStretch(1);
    row->addWidget(dots_);
    // The title and the dots take no presses: they all reach the header.
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    dots_->setAttribute(Qt::WA_TransparentForMouseEvents);
    new WindowDragGesture(this);
}

void OnboardingHeader::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, wash_);
    gradient.setColorAt(1, background_);
    painter.fillRect(rect(), background_);
    painter.fillRect(rect(), gradient);
}

}  // namespace tessivar
