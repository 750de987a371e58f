#include "Tessivar/Onboarding/Private/OnboardingCard.h"

#include <QBoxLayout>
#include <QGraphicsDropShadowEffect>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"
#include "Tessivar/Onboarding/Private/FadingPicture.h"
#include "Tessivar/Onboarding/Private/JumpTestPage.h"
#include "Tessivar/Onboarding/Private/LaunchAtLoginPage.h"
#include "Tessivar/Onboarding/Private/OnboardingHeader.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/Onboarding/Private/PageDots.h"
#include "Tessivar/Onboarding/Private/WelcomePage.h"
#include "Tessivar/StatusMenu/SymbolDrawings.h"

namespace tessivar {

namespace {
using OnboardingStyle::css;
using OnboardingStyle::faded;

constexpr int kChevronSide = 12;
constexpr double kHairlineOpacity = 0.06;
// Every step change is animated over this long: the page that goes fades out.
constexpr std::chrono::milliseconds kStepChange{250};
}  // namespace

OnboardingCard::OnboardingCard(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent)
    : QWidget(parent), view_(view), look_(look), header_(new OnboardingHeader(look)), pageArea_(new QVBoxLayout) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header_);
    pageArea_->setContentsMargins(0, 0, 0, 0);
    column->addWidget(makePageScroller(), 1);
    column->addWidget(makeBottomBar());
    render();
}

// The page keeps at least its own size: a window cut to a small display
// scrolls it, between the header and the buttons, which stay in view.
QWidget* OnboardingCard::makePageScroller() {
    auto* pages = new QWidget;
    pages->setLayout(pageArea_);
    auto* scroller = new QScrollArea;
    scroller->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bars only: the keyboard stays with the controls.
    scroller->setFocusPolicy(Qt::NoFocus);
    scroller->setWidgetResizable(true);
    scroller->setWidget(pages);
    // The card's own background shows through, as it did without a scroller.
    scroller->viewport()->setAutoFillBackground(false);
    pages->setAutoFillBackground(false);
    scroller->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));
    return scroller;
}

QWidget* OnboardingCard::makeBottomBar() {
    bottomBar_ = new QWidget;
    auto* row = new QHBoxLayout(bottomBar_);
    row->setContentsMargins(28, 20, 28, 20);
    left_ = OnboardingStyle::button(
        {}, QStringLiteral("QPushButton { color: %1; background: transparent; border: none; padding: 8px 16px;"
                           " font-size: 13px; font-weight: 500; }")
                .arg(css(look_.secondary)));
    primary_ = OnboardingStyle::button(
        {}, QStringLiteral("QPushButton { color: white; background: %1; border: none; border-radius: 8px;"
                           " padding: 9px 20px; font-size: 13px; font-weight: 600; }")
                .arg(css(look_.accent)));
    // The chevron follows the title.
    primary_->setLayoutDirection(Qt::RightToLeft);
    auto* shadow = new QGraphicsDropShadowEffect(primary_);
    shadow->setColor(faded(look_.accent, 0.3));
    shadow->setBlurRadius(8);
    shadow->setOffset(0, 2);
    primary_->setGraphicsEffect(shadow);
    row->addWidget(left_);
    row->addStretch(1);
    row->addWidget(primary_);
    connect(left_, &QPushButton::clicked, this, [this] {
        if (view_.leftButtonSkips()) return view_.skip();
        view_.goBack();
    });
    connect(primary_, &QPushButton::clicked, this, [this] { view_.advance(); });
    return bottomBar_;
}

void OnboardingCard::render() {
    if (!page_ || page_->step() != view_.currentStep()) showStep(view_.currentStep());
    header_->dots()->setCurrent(view_.currentStep());
    renderButtons();
    if (page_) page_->render();
}

void OnboardingCard::renderButtons() {
    left_->setText(OnboardingStyle::text(view_.leftButtonTitle()));
    left_->setIcon(view_.leftButtonSkips() ? QIcon()
                                           : SymbolDrawings::icon("chevron.left", kChevronSide, look_.secondary));
    primary_->setText(OnboardingStyle::text(view_.primaryButtonTitle()));
    primary_->setIcon(view_.primaryButtonHasChevron() ? SymbolDrawings::icon("chevron.right", kChevronSide, Qt::white)
                                                      : QIcon());
}

// The page that goes may hold the button whose press led here: it goes later.
void OnboardingCard::showStep(int step) {
    if (page_) {
        view_.pageDisappeared(page_->step());
        FadingPicture::fadeOut(*page_, kStepChange);
        page_->hide();
        pageArea_->removeWidget(page_);
        page_->deleteLater();
    }
    page_ = makePage(step);
    if (!page_) return;
    pageArea_->addWidget(page_);
    view_.pageAppeared(step);
}

OnboardingPage* OnboardingCard::makePage(int step) {
    switch (step) {
    case 0: return new WelcomePage(view_, look_);
    case 1: return new LaunchAtLoginPage(view_, look_);
    case 2: return new JumpTestPage(view_, look_);
    default: return nullptr;
    }
}

void OnboardingCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), look_.windowBackground);
    painter.fillRect(QRect(0, bottomBar_->y() - 1, width(), 1), faded(Qt::black, kHairlineOpacity));
}

}  // namespace tessivar
