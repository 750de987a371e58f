#pragma once
#include "Tessivar/Onboarding/Private/OnboardingPage.h"

namespace tessivar {

// Step 0: the application's icon, its name and what it is for, and its three
// main features.
class WelcomePage : public OnboardingPage {
    Q_OBJECT
public:
    static constexpr const char* kSubtitle = "专为多屏 Mac 用户打造的光标跃迁与定位工具";

    WelcomePage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent = nullptr);

private:
    QWidget* featureCards() const;
    QWidget* featureCard(std::string_view symbol, std::string_view title, std::string_view text) const;
};

}  // namespace tessivar
