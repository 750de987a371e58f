#include "Tessivar/Onboarding/Private/JumpTestPage.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"
#include "Tessivar/Onboarding/Private/KeyCap.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/ReadableColor.h"
#include "Tessivar/StatusMenu/SymbolDrawings.h"

namespace tessivar {

namespace {
using OnboardingStyle::css;
using OnboardingStyle::faded;

constexpr int kSymbolSide = 13;
constexpr int kTextMargin = 40;
// The colour of a lit bulb, as the emoji has it.
const QColor kBulbYellow(0xF7, 0xB5, 0x00);
// The success line fades in; the hint comes back the same way.
constexpr EntranceStyle kStatusEntrance{1, {0.35, 1.0}, 0};
// The test button's gradient ends in the accent at 0.8 over the card, made to
// read under the button's white title.
QColor gradientEnd(const OnboardingAppearance& look) {
    return ReadableColor::against(ReadableColor::over(faded(look.accent, 0.8), look.cardOnScreen()), Qt::white);
}
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
    card->layout()->addWidget(OnboardingStyle::label(kCaption, 12, QFont::Bold, look_.accentText));

    testButton_ = OnboardingStyle::button(
        OnboardingStyle::text(kTestButton),
        QStringLiteral("QPushButton { color: white; border: none; border-radius: 6px; padding: 8px 16px;"
                       " font-size: 12px; font-weight: 600;"
                       " background: qlineargradient(x1:0, y1:0, x2:1, y2:1, stop:0 %1, stop:1 %2); }")
            .arg(css(look_.accent), css(gradientEnd(look_))));
    testButton_->setIcon(SymbolDrawings::icon("sparkles", kSymbolSide, Qt::white));
    settingsButton_ = OnboardingStyle::button(
        OnboardingStyle::text(kSettingsButton),
        QStringLiteral("QPushButton { color: %1; border: 1px solid %2; border-radius: 6px; padding: 8px 16px;"
                       " font-size: 12px; font-weight: 500; background: %3; }")
            .arg(css(look_.primary), css(faded(look_.primary, 0.15)), css(faded(look_.controlBackground, 0.5))));
    settingsButton_->setIcon(SymbolDrawings::icon("keyboard", kSymbolSide, look_.primary));
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(14);
    buttons->addStretch(1);
    buttons->addWidget(testButton_);
    buttons->addWidget(settingsButton_);
    buttons->addStretch(1);
    static_cast<QBoxLayout*>(card->layout())->addLayout(buttons);
    connect(testButton_, &QPushButton::clicked, this, [this] { view_.testJump(); });
    connect(settingsButton_, &QPushButton::clicked, this, [this] { view_.openShortcutSettings(); });

    card->layout()->addWidget(statusRow());
    return card;
}

// The hint's light bulb is drawn where no font of the desktop has the emoji,
// which would otherwise show as an empty box.
QWidget* JumpTestPage::statusRow() {
    statusRow_ = new QWidget;
    auto* row = new QHBoxLayout(statusRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    status_ = OnboardingStyle::label(kHint, 11, QFont::Normal, look_.secondary);
    hintSymbol_ = new QLabel;
    hintSymbol_->setPixmap(SymbolDrawings::pixmap("lightbulb.fill", kSymbolSide, kBulbYellow));
    drawsHintEmoji_ = OnboardingStyle::hasEveryGlyph(status_->font(), OnboardingStyle::text(kHintEmoji));
    row->addStretch(1);
    row->addWidget(hintSymbol_);
    row->addWidget(status_);
    row->addStretch(1);
    return statusRow_;
}

QString JumpTestPage::hintText() const {
    const QString hint = OnboardingStyle::text(kHint);
    return drawsHintEmoji_ ? hint : hint.mid(OnboardingStyle::text(kHintEmoji).size()).trimmed();
}

void JumpTestPage::render() {
    OnboardingPage::render();
    const bool success = view_.showWarpIndicator();
    if (shownSuccess_ == success) return;
    const bool changing = shownSuccess_.has_value();
    shownSuccess_ = success;
    status_->setText(success ? OnboardingStyle::text(kSuccess) : hintText());
    hintSymbol_->setVisible(!success && !drawsHintEmoji_);
    status_->setFont(OnboardingStyle::font(status_->font(), 11, success ? QFont::Medium : QFont::Normal));
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, success ? look_.success : look_.secondary);
    status_->setPalette(palette);
    if (!changing) return;
    if (!statusEntrance_) statusEntrance_ = new Entrance(statusRow_, kStatusEntrance);
    statusEntrance_->setShown(false);
    statusEntrance_->setShown(true);
}

}  // namespace tessivar
