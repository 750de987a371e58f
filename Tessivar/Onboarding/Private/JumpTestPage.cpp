#include "Tessivar/Onboarding/Private/JumpTestPage.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"
#include "Tessivar/Onboarding/Private/KeyCap.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/Onboarding/Private/OnboardingSymbols.h"

namespace tessivar {

namespace {
using OnboardingStyle::css;
using OnboardingStyle::faded;

constexpr int kSymbolSide = 13;
constexpr int kTextMargin = 40;
// The success line fades in; the hint comes back the same way.
constexpr EntranceStyle kStatusEntrance{1, {0.35, 1.0}, 0};
}  // namespace

JumpTestPage::JumpTestPage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent)
    : OnboardingPage(2, view, look, parent) {
    addBlock(keyCaps(), {0.1, {0.5, 0.65}, 0.1});
    addBlock(titleBlock(kTitle, 20, kText, QFont::Normal, kTextMargin), {0.9, {0.5, 0.7}, 0.25});
    addBlock(testCard(), {0.85, {0.55, 0.68}, 0.35});
}

QWidget* JumpTestPage::keyCaps() const {
    auto* caps = new QWidget;
    auto* row = new QHBoxLayout(caps);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(new KeyCap(QStringLiteral("⌥"), QStringLiteral("option"), 55, look_));
    row->addWidget(OnboardingStyle::label("+", 20, QFont::Bold, look_.secondary));
    row->addWidget(new KeyCap(QStringLiteral("1"), OnboardingStyle::text("数字键"), 45, look_));
    return caps;
}

QWidget* JumpTestPage::testCard() {
    QFrame* card = OnboardingStyle::card(look_, 12, 10);
    card->layout()->addWidget(OnboardingStyle::label(kCaption, 12, QFont::Bold, look_.accent));

    testButton_ = OnboardingStyle::button(
        OnboardingStyle::text(kTestButton),
        QStringLiteral("QPushButton { color: white; border: none; border-radius: 6px; padding: 8px 16px;"
                       " font-size: 12px; font-weight: 600;"
                       " background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 %1, stop:1 %2); }")
            .arg(css(look_.accent), css(faded(look_.accent, 0.8))));
    testButton_->setIcon(OnboardingSymbols::icon("sparkles", kSymbolSide, Qt::white));
    settingsButton_ = OnboardingStyle::button(
        OnboardingStyle::text(kSettingsButton),
        QStringLiteral("QPushButton { color: %1; border: 1px solid %2; border-radius: 6px; padding: 8px 16px;"
                       " font-size: 12px; font-weight: 500; background: %3; }")
            .arg(css(look_.primary), css(faded(look_.primary, 0.15)), css(faded(look_.controlBackground, 0.5))));
    settingsButton_->setIcon(OnboardingSymbols::icon("keyboard", kSymbolSide, look_.primary));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(14);
    buttons->addStretch(1);
    buttons->addWidget(testButton_);
    buttons->addWidget(settingsButton_);
    buttons->addStretch(1);
    static_cast<QBoxLayout*>(card->layout())->addLayout(buttons);
    connect(testButton_, &QPushButton::clicked, this, [this] { view_.testJump(); });
    connect(settingsButton_, &QPushButton::clicked, this, [this] { view_.openShortcutSettings(); });

    status_ = OnboardingStyle::label(kHint, 11, QFont::Normal, look_.secondary);
    card->layout()->addWidget(status_);
    return card;
}

void JumpTestPage::render() {
    OnboardingPage::render();
    const bool success = view_.showWarpIndicator();
    if (shownSuccess_ == success) return;
    const bool changing = shownSuccess_.has_value();
    shownSuccess_ = success;
    status_->setText(OnboardingStyle::text(success ? kSuccess : kHint));
    status_->setFont(OnboardingStyle::font(status_->font(), 11, success ? QFont::Medium : QFont::Normal));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, success ? look_.success : look_.secondary);
    status_->setPalette(palette);
    if (!changing) return;
    if (!statusEntrance_) statusEntrance_ = new Entrance(status_, kStatusEntrance);
    statusEntrance_->setShown(false);
    statusEntrance_->setShown(true);
}

}  // namespace tessivar
