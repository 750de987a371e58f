#include "Tessivar/Onboarding/Private/WelcomePage.h"

#include <QBoxLayout>
#include <QLabel>

#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/Private/HeroIcon.h"
#include "Tessivar/Onboarding/Private/OnboardingHeader.h"
#include "Tessivar/Onboarding/Private/OnboardingStyle.h"
#include "Tessivar/StatusMenu/SymbolDrawings.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar {

namespace {
constexpr int kIconSide = 56;
constexpr int kBadgeSide = 30;
constexpr int kBadgeSymbol = 18;
constexpr double kBadgeOpacity = 0.08;

struct Feature {
    const char* symbol;
    const char* title;
    const char* text;
};
constexpr Feature kFeatures[] = {
    {"sparkles", "瞬间跳转", "使用全局快捷键，零延迟将光标移动至指定屏幕几何中心"},
    {"shield.fill", "零权限安全设计", "无需任何系统辅助功能等隐私授权，即开即用"},
    {"eye.fill", "清晰视网膜动效", "提供极致清晰的光标缩放或细圆环，告别“摇晃寻找光标”"},
};
}  // namespace

WelcomePage::WelcomePage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent)
    : OnboardingPage(0, view, look, parent) {
    addBlock(new HeroIcon(ApplicationIcon::pixmap(kIconSide), look.accent), {0.25, {0.55, 0.62}, 0.05});
    addBlock(titleBlock(OnboardingHeader::kTitle, 22, kSubtitle, QFont::Medium), {0.85, {0.5, 0.7}, 0.18});
    addBlock(featureCards(), {0.9, {0.5, 0.75}, 0.3});
}

QWidget* WelcomePage::featureCards() const {
    auto* cards = new QWidget;
    auto* column = new QVBoxLayout(cards);
    column->setContentsMargins(36, 4, 36, 4);
    column->setSpacing(10);
    for (const Feature& feature : kFeatures)
        column->addWidget(featureCard(feature.symbol, feature.title, feature.text));
    return cards;
}

QWidget* WelcomePage::featureCard(std::string_view symbol, std::string_view title, std::string_view text) const {
    auto* card = new QWidget;
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    auto* badge = new QLabel;
    badge->setFixedSize(kBadgeSide, kBadgeSide);
    badge->setAlignment(Qt::AlignCenter);
    badge->setPixmap(SymbolDrawings::pixmap(symbol, kBadgeSymbol, look_.accent));
    badge->setStyleSheet(QStringLiteral("background: %1; border-radius: 6px;")
                             .arg(OnboardingStyle::css(OnboardingStyle::faded(look_.accent, kBadgeOpacity))));
    auto* badgeColumn = new QVBoxLayout;
    badgeColumn->setContentsMargins(0, 1, 0, 0);
    badgeColumn->addWidget(badge);
    badgeColumn->addStretch(1);
    row->addLayout(badgeColumn);
    auto* words = new QVBoxLayout;
    words->setSpacing(2);
    for (auto* label : {OnboardingStyle::label(title, 13, QFont::DemiBold, look_.primary),
                        OnboardingStyle::label(text, 12, QFont::Normal, look_.secondary)}) {
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        words->addWidget(label);
    }
    row->addLayout(words, 1);
    return card;
}

}  // namespace tessivar
