#include "Tessivar/Onboarding/Private/OnboardingSymbols.h"

#include <QPainter>

#include "Tessivar/StatusMenu/SymbolDrawings.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar::OnboardingSymbols {

QPixmap applicationIcon(int side, const QColor& accent) {
    QPixmap result = SymbolDrawings::canvas(side);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, side);
    tile.setColorAt(0, accent.lighter(125));
    tile.setColorAt(1, accent.darker(115));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0, 0, side, side), side * 0.225, side * 0.225);
    const int inner = side * 3 / 4;
    const QRect picture((side - inner) / 2, (side - inner) / 2, inner, inner);
    SymbolIcons::statusItemIcon().paint(&painter, picture);
    return result;
}

}  // namespace tessivar::OnboardingSymbols
