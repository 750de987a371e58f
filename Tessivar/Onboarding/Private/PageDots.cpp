#include "Tessivar/Onboarding/Private/PageDots.h"

#include <QPainter>

#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/Onboarding/Private/Spring.h"

namespace tessivar {

namespace {
constexpr int kDotSpacing = 8;
constexpr double kDot = 7;
constexpr double kPill = 16;
constexpr double kIdleOpacity = 0.15;
constexpr Spring kSpring{0.3, 0.7};

QColor mix(const QColor& from, const QColor& to, double amount) {
    const auto blend = [amount](float a, float b) { return a + (b - a) * static_cast<float>(amount); };
    return QColor::fromRgbF(blend(from.redF(), to.redF()), blend(from.greenF(), to.greenF()),
                            blend(from.blueF(), to.blueF()), blend(from.alphaF(), to.alphaF()));
}
}  // namespace

PageDots::PageDots(const QColor& accent, const QColor& primary, QWidget* parent)
    : QWidget(parent), accent_(accent), idle_(OnboardingStyle::faded(primary, kIdleOpacity)) {
    setFixedSize(sizeHint());
    const double seconds = kSpring.settlingSeconds();
    animation_.setStartValue(0.0);
    animation_.setEndValue(seconds);
    animation_.setDuration(static_cast<int>(seconds * 1000));
    connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        progress_ = kSpring.value(value.toDouble());
        update();
    });
    connect(&animation_, &QVariantAnimation::finished, this, [this] {
        progress_ = 1;
        update();
    });
}

QSize PageDots::sizeHint() const {
    return {static_cast<int>(kPill + kDot * (kCount - 1) + kDotSpacing * (kCount - 1)), static_cast<int>(kDot)};
}

void PageDots::setCurrent(int step) {
    if (step == current_) return;
    previous_ = current_;
    current_ = step;
    progress_ = 0;
    animation_.start();
}

// How much of the pill a dot is now: 1 for the current step once it settled.
double PageDots::weightOf(int index) const {
    const double to = index == current_ ? 1 : 0;
    const double from = index == previous_ ? 1 : 0;
    return from + (to - from) * progress_;
}

double PageDots::dotWidth(int index) const { return kDot + (kPill - kDot) * weightOf(index); }

void PageDots::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    double x = 0;
    for (int i = 0; i < kCount; ++i) {
        const double width = std::max(dotWidth(i), 0.0);
        painter.setBrush(mix(idle_, accent_, std::clamp(weightOf(i), 0.0, 1.0)));
        painter.drawRoundedRect(QRectF(x, 0, width, kDot), kDot / 2, kDot / 2);
        x += width + kDotSpacing;
    }
}

}  // namespace tessivar
