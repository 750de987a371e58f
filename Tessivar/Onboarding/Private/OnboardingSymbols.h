#pragma once
#include <QColor>
#include <QPixmap>

namespace tessivar {

// The onboarding's own picture; its symbols are SymbolDrawings'.
namespace OnboardingSymbols {

// The application's icon: the status item's picture on a rounded tile of the
// accent colour, `side` points for screens of twice the density.
QPixmap applicationIcon(int side, const QColor& accent);

}  // namespace OnboardingSymbols
}  // namespace tessivar
