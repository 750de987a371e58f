#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <string_view>

namespace tessivar {

// The symbols the onboarding shows, drawn here in one colour so that they look
// the same on every desktop, whatever its icon theme holds: "sparkles",
// "shield.fill", "eye.fill", "bolt.fill", "checkmark.circle.fill", "keyboard", "lightbulb.fill",
// "chevron.left" and "chevron.right". An unknown name draws nothing.
namespace OnboardingSymbols {

// `side` in device-independent pixels, drawn for screens of twice the density.
QPixmap pixmap(std::string_view name, int side, const QColor& color);
QIcon icon(std::string_view name, int side, const QColor& color);
// The application's icon: the status item's picture on a rounded tile of the accent colour.
QPixmap applicationIcon(int side, const QColor& accent);

}  // namespace OnboardingSymbols
}  // namespace tessivar
