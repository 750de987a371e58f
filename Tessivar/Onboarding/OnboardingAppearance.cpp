#include "Tessivar/Onboarding/OnboardingAppearance.h"

#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/ReadableColor.h"

namespace tessivar {

bool OnboardingAppearance::isDark(const std::optional<std::string>& interfaceStyle, bool desktopIsDark) {
    if (!interfaceStyle) return desktopIsDark;
    return *interfaceStyle == "Dark";
}

bool OnboardingAppearance::isDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

OnboardingAppearance OnboardingAppearance::make(bool dark, const QColor& accent) {
    OnboardingAppearance look;
    look.dark = dark;
    look.accent = accent;
    if (dark) {
        look.windowBackground = QColor(0x32, 0x32, 0x32);
        look.controlBackground = QColor(0x1e, 0x1e, 0x1e);
        look.primary = QColor(255, 255, 255, 217);
        look.secondary = QColor(255, 255, 255, 140);
        look.success = QColor(0x32, 0xd7, 0x4b);
    } else {
        look.windowBackground = QColor(0xec, 0xec, 0xec);
        look.controlBackground = QColor(0xff, 0xff, 0xff);
        look.primary = QColor(0, 0, 0, 217);
        look.secondary = QColor(0, 0, 0, 128);
        look.success = QColor(0x28, 0xa7, 0x45);
    }
    return readable(look);
}

// The desktop's accent and the system greens do not always read: white on a
// light accent, a light accent or green on a light card, quiet text at half
// strength. Each is moved just enough, from what the screen shows.
OnboardingAppearance OnboardingAppearance::readable(OnboardingAppearance look) {
    const QColor card = look.cardOnScreen();
    look.secondary =
        ReadableColor::against(ReadableColor::over(look.secondary, look.windowBackground), look.windowBackground);
    look.accentText = ReadableColor::against(look.accent, card);
    look.accent = ReadableColor::against(look.accent, Qt::white);
    look.success = ReadableColor::against(look.success, card);
    return look;
}

QColor OnboardingAppearance::cardOnScreen() const {
    QColor card = controlBackground;
    card.setAlphaF(kCardOpacity);
    return ReadableColor::over(card, windowBackground);
}

OnboardingAppearance OnboardingAppearance::choose(const platform::UserDefaults& defaults, const QPalette& desktop) {
    return make(isDark(defaults.stringValue(kInterfaceStyleKey), isDarkPalette(desktop)),
                desktop.color(QPalette::Highlight));
}

QPalette OnboardingAppearance::palette() const {
    QPalette result;
    for (const auto role : {QPalette::Window, QPalette::Button, QPalette::Base})
        result.setColor(role, windowBackground);
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) result.setColor(role, primary);
    result.setColor(QPalette::PlaceholderText, secondary);
    result.setColor(QPalette::Highlight, accent);
    result.setColor(QPalette::HighlightedText, Qt::white);
    return result;
}

}  // namespace tessivar
