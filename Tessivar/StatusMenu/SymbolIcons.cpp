#include "Tessivar/StatusMenu/SymbolIcons.h"

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

// A display frame with a pointer on it, in two tones: a dark line edged in
// white. An XEmbed tray does not tell its panel's colour (trayer sets none),
// so the icon brings its own contrast: the dark line reads on a light panel,
// its white edge on a dark one.
QPixmap drawStatusSymbol(int side) {
    const QColor ink(0x1c, 0x1c, 0x1c);
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const double unit = side / 16.0;
    const QRectF frame(unit * 2, unit * 2.5, unit * 12, unit * 9.5);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, unit * 2.8));
    painter.drawRoundedRect(frame, unit * 1.5, unit * 1.5);
    painter.setPen(QPen(ink, unit * 1.4));
    painter.drawRoundedRect(frame, unit * 1.5, unit * 1.5);
    QPainterPath arrow;
    arrow.moveTo(unit * 8, unit * 6);
    arrow.lineTo(unit * 8, unit * 15);
    arrow.lineTo(unit * 10.2, unit * 12.8);
    arrow.lineTo(unit * 12.5, unit * 15.5);
    arrow.lineTo(unit * 13.6, unit * 14.6);
    arrow.lineTo(unit * 11.4, unit * 12);
    arrow.lineTo(unit * 14.2, unit * 12);
    arrow.closeSubpath();
    painter.setPen(QPen(Qt::white, unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(ink);
    painter.drawPath(arrow);
    return pixmap;
}
}  // namespace

QIcon icon(const std::string& symbolName, const QColor& drawnColor, int side) {
    const auto found = themeNames().find(symbolName);
    if (found != themeNames().end()) {
        QIcon themed = QIcon::fromTheme(QString::fromLatin1(found->second));
        if (!themed.isNull()) return themed;
    }
    if (!SymbolDrawings::has(symbolName)) return {};
    return SymbolDrawings::icon(symbolName, side, drawnColor);
}

QIcon statusItemIcon() {
    QIcon icon;
    for (int side : {16, 22, 32, 48, 64}) icon.addPixmap(drawStatusSymbol(side));
    return icon;
}

}  // namespace tessivar::SymbolIcons
