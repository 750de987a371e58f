#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <optional>
#include <string>

class QPainter;
class QRectF;

namespace tessivar {

// The icons behind the symbol names: the desktop theme's icon of the same
// meaning (freedesktop naming); where the theme lacks it, the symbol drawn (see
// SymbolDrawings) in the given colour at `side` points, or none. The status
// item's own symbol is drawn here, so the tray always has an icon.
namespace SymbolIcons {

QIcon icon(const std::string& symbolName, const QColor& drawnColor, int side = 16);
// The status item's symbol (a display frame with a pointer on it), in the
// tray's foreground colour where the tray tells one, else in two tones that
// read on light and dark panels alike.
QIcon statusItemIcon(const std::optional<QColor>& foreground = std::nullopt);
// That symbol drawn into `box`.
void paintStatusSymbol(QPainter& painter, const QRectF& box, const std::optional<QColor>& foreground = std::nullopt);

}  // namespace SymbolIcons

// The application's icon: the status item's symbol on a rounded blue tile.
// The About pane and the onboarding show it, and the icon installed for the
// desktop (data/com.brel.tessivar.svg) is the same drawing.
namespace ApplicationIcon {

// `side` points across, for screens of `density` device pixels to the point.
QPixmap pixmap(int side, qreal density = 2);

}  // namespace ApplicationIcon
}  // namespace tessivar
