#include "Tessivar/Onboarding/Private/OnboardingPage.h"

#include <QBoxLayout>
#include <QLabel>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"

namespace tessivar {

namespace {
constexpr int kRowSpacing = 14;
constexpr int kTopPadding = 4;
constexpr int kTitleSpacing = 4;
}  // namespace

OnboardingPage::OnboardingPage(int step, OnboardingView& view, const OnboardingAppearance& look, QWidget* parent)
    : QWidget(parent), view_(view), look_(look), step_(step), layout_(new QVBoxLayout(this)) {
    layout_->setContentsMargins(0, kTopPadding, 0, 0);
    layout_->setSpacing(kRowSpacing);
    layout_->addStretch(1);
    layout_->addStretch(1);
}

void OnboardingPage::addBlock(QWidget* block, EntranceStyle style) {
    layout_->insertWidget(layout_->count() - 1, block, 0, Qt::AlignHCenter);
    entrances_.append(new Entrance(block, style));
}

QWidget* OnboardingPage::titleBlock(std::string_view title, int titleSize, std::string_view text,
                                    QFont::Weight textWeight, int textMargin) const {
    auto* block = new QWidget;
    auto* column = new QVBoxLayout(block);
    column->setContentsMargins(textMargin, 0, textMargin, 0);
    column->setSpacing(kTitleSpacing);
    column->addWidget(OnboardingStyle::label(title, titleSize, QFont::Bold, look_.primary));
    // Lines break where the text says, never by the width.
    column->addWidget(OnboardingStyle::label(text, 13, textWeight, look_.secondary));
    return block;
}

void OnboardingPage::render() {
    for (Entrance* entrance : entrances_) entrance->setShown(view_.animateStep(step_));
}

}  // namespace tessivar
