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

    bool dark = false;
    QColor accent;             // the desktop's highlight colour
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
    static OnboardingAppearance choose(const platform::UserDefaults& defaults, const QPalette& desktop);

    // The look as a widget palette, so the standard widgets inside match it.
    QPalette palette() const;
};

}  // namespace tessivar
