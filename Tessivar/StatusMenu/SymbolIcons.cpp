#include "Tessivar/StatusMenu/SymbolIcons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <map>

#include "Tessivar/StatusMenu/SymbolDrawings.h"

namespace tessivar::SymbolIcons {

namespace {
const std::map<std::string, const char*>& themeNames() {
    static const std::map<std::string, const char*> names{
        {"cursorarrow.motionlines", "input-mouse"},
        {"laptopcomputer", "computer-laptop"},
        {"display", "video-display"},
        {"hand.point.up.left", "help-contents"},
        {"gearshape", "preferences-system"},
        {"power", "application-exit"},
        {"keyboard", "input-keyboard"},
        {"info.circle", "help-about"},
        {"info.circle.fill", "dialog-information"},
        {"safari", "web-browser"},
        {"ladybug", "tools-report-bug"},
        {"envelope", "mail-message-new"},
        {"arrow.up.right", "go-jump"},
        {"chevron.backward", "go-previous"},
        {"chevron.forward", "go-next"},
    };
    return names;
}

QPixmap drawStatusSymbol(int side, const std::optional<QColor>& foreground) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paintStatusSymbol(painter, QRectF(0, 0, side, side), foreground);
    return pixmap;
}
}  // namespace

// In the tray's foreground where it tells one. Where it does not (trayer tells
// none), in two tones, a dark line edged in white: the symbol brings its own
// contrast, the dark line reading on a light panel, its white edge on a dark one.
void paintStatusSymbol(QPainter& painter, const QRectF& box, const std::optional<QColor>& foreground) {
    const QColor ink = foreground.value_or(QColor(0x1c, 0x1c, 0x1c));
    const QColor edge = foreground ? QColor(Qt::transparent) : QColor(Qt::white);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(box.topLeft());
    painter.scale(box.width() / 16.0, box.height() / 16.0);
    const QRectF frame(2, 2.5, 12, 9.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(edge, 2.8));
    painter.drawRoundedRect(frame, 1.5, 1.5);
    painter.setPen(QPen(ink, 1.4));
    painter.drawRoundedRect(frame, 1.5, 1.5);
    QPainterPath arrow;
    arrow.moveTo(8, 6);
    arrow.lineTo(8, 15);
    arrow.lineTo(10.2, 12.8);
    arrow.lineTo(12.5, 15.5);
    arrow.lineTo(13.6, 14.6);
    arrow.lineTo(11.4, 12);
    arrow.lineTo(14.2, 12);
    arrow.closeSubpath();
    painter.setPen(QPen(edge, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(ink);
    painter.drawPath(arrow);
    painter.restore();
}

QIcon icon(const std::string& symbolName, const QColor& drawnColor, int side) {
    const auto found = themeNames().find(symbolName);
    if (found != themeNames().end()) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(found->second));
        if (!themed.isNull()) return themed;
    }
    if (!SymbolDrawings::has(symbolName)) return {};
    return SymbolDrawings::icon(symbolName, side, drawnColor);
}

QIcon statusItemIcon(const std::optional<QColor>& foreground) {
    QIcon icon;
    for (int side : {16, 22, 32, 48, 64}) icon.addPixmap(drawStatusSymbol(side, foreground));
    return icon;
}

}  // namespace tessivar::SymbolIcons

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
