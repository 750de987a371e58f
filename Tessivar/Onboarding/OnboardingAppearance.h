#pragma once
#include <QColor>
#include <QPalette>

#include <optional>
#include <string>

namespace platform {
class UserDefaults;
}

namespace tessivar {

// The onboarding window's light or dark look and the colours it draws with,
// chosen once when the window is made.
struct OnboardingAppearance {
    // The user default that asks for the dark look.
    static constexpr const char* kInterfaceStyleKey = "AppleInterfaceStyle";

    // The cards lie on the window at this opacity of the control background.
    static constexpr float kCardOpacity = 0.5F;

    bool dark = false;
    QColor accent;      // the desktop's highlight colour, white text reads on it
    QColor accentText;  // text in the accent colour, read on the cards
    QColor windowBackground;
    QColor controlBackground;  // cards and key caps
    QColor primary;            // text
    QColor secondary;          // quieter text
    QColor success;

    // Dark exactly when the stored style is "Dark"; any other stored value is
    // light. Where nothing is stored (nothing on this desktop writes it), the
    // desktop's own palette decides.
    static bool isDark(const std::optional<std::string>& interfaceStyle, bool desktopIsDark);
    // A palette is dark when its windows are darker than their text.
    static bool isDarkPalette(const QPalette& palette);
    static OnboardingAppearance make(bool dark, const QColor& accent);
    // The colours of a look moved as little as it takes for its text to read
    // (WCAG AA) on what it is drawn on.
    static OnboardingAppearance readable(OnboardingAppearance look);
    static OnboardingAppearance choose(const platform::UserDefaults& defaults, const QPalette& desktop);

    // A card's background as the screen shows it over the window.
    QColor cardOnScreen() const;
    // The look as a widget palette, so the standard widgets inside match it.
    QPalette palette() const;
};

}  // namespace tessivar
