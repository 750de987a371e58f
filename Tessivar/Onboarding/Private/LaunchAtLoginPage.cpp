#include "Tessivar/Onboarding/Private/LaunchAtLoginPage.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"
#include "Tessivar/Onboarding/Private/FadingPicture.h"
#include "Tessivar/Onboarding/Private/HeroIcon.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/Onboarding/Private/SwitchToggle.h"
#include "Tessivar/StatusMenu/SymbolDrawings.h"

namespace tessivar {

namespace {
constexpr int kBoltSide = 36;
constexpr int kCheckmarkSide = 32;
constexpr EntranceStyle kBadgeEntrance{0.95, {0.3, 0.7}, 0};
constexpr EntranceStyle kSwitchEntrance{1, {0.3, 0.7}, 0};
// The switch or the badge that goes fades out over this long.
constexpr std::chrono::milliseconds kContentRemoval{150};
}  // namespace

LaunchAtLoginPage::LaunchAtLoginPage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent)
    : OnboardingPage(1, view, look, parent), card_(OnboardingStyle::card(look, 20, 0)) {
    addBlock(new HeroIcon(SymbolDrawings::pixmap("bolt.fill", kBoltSide, look.accent), look.accent),
             {0.25, {0.55, 0.62}, 0.05});
    addBlock(titleBlock(kTitle, 20, kText, QFont::Medium), {0.85, {0.5, 0.7}, 0.18});
    addBlock(card_, {0.85, {0.55, 0.68}, 0.3});
}

// The login item is asked afresh each time: it may have changed elsewhere.
void LaunchAtLoginPage::render() {
    OnboardingPage::render();
    const bool enabled = view_.isLoginItemEnabled();
    if (shownEnabled_ != enabled) showContent(enabled);
    if (!toggle_) return;
    const QSignalBlocker blocker(toggle_);
    toggle_->setChecked(view_.launchAtLogin());
}

// The content that goes may be the switch whose click led here: it goes later.
void LaunchAtLoginPage::showContent(bool enabled) {
    const bool changing = shownEnabled_.has_value();
    shownEnabled_ = enabled;
    if (content_) {
        FadingPicture::fadeOut(*content_, kContentRemoval);
        content_->hide();
        card_->layout()->removeWidget(content_);
        content_->deleteLater();
    }
    toggle_ = nullptr;
    content_ = enabled ? badge() : switchRow();
    card_->layout()->addWidget(content_);
    if (changing) (new Entrance(content_, enabled ? kBadgeEntrance : kSwitchEntrance))->setShown(true);
}

QWidget* LaunchAtLoginPage::badge() const {
    auto* badge = new QWidget;
    auto* column = new QVBoxLayout(badge);
    column->setContentsMargins(0, 16, 0, 16);
    column->setSpacing(8);
    auto* checkmark = new QLabel;
    checkmark->setAlignment(Qt::AlignCenter);
    checkmark->setPixmap(SymbolDrawings::pixmap("checkmark.circle.fill", kCheckmarkSide, look_.success));
    column->addWidget(checkmark);
    column->addWidget(OnboardingStyle::label(kEnabled, 14, QFont::Bold, look_.primary));
    return badge;
}

QWidget* LaunchAtLoginPage::switchRow() {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 12, 0, 12);
    toggle_ = new SwitchToggle(OnboardingStyle::text(kSwitch), look_);
    toggle_->setFont(OnboardingStyle::font(toggle_->font(), 13, QFont::DemiBold));
    toggle_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(toggle_, 0, Qt::AlignCenter);
    connect(toggle_, &QCheckBox::clicked, this, [this](bool on) { view_.setLaunchAtLogin(on); });
    return row;
}

}  // namespace tessivar
