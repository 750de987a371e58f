#include "Tessivar/StatusMenu/ApplicationIcon.h"

#include <QLinearGradient>
#include <QPainter>

#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar::ApplicationIcon {

// In a 16 x 16 box, as in the installed drawing.
QPixmap pixmap(int side, qreal density) {
    QPixmap result(QSize(side, side) * density);
    result.setDevicePixelRatio(density);
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = side / 16.0;
    QLinearGradient tile(0, 0, 0, side);
    tile.setColorAt(0, QColor(0x5B, 0x8D, 0xEF));
    tile.setColorAt(1, QColor(0x2F, 0x5F, 0xCC));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0, 0, side, side), unit * 3.6, unit * 3.6);
    SymbolIcons::paintStatusSymbol(painter, QRectF(unit * 2, unit * 2, unit * 12, unit * 12));
    return result;
}

}  // namespace tessivar::ApplicationIcon
