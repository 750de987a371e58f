#pragma once
#include <QPixmap>

namespace tessivar {

// The application's icon: the status item's symbol on a rounded blue tile.
// The About pane and the onboarding show it, and the icon installed for the
// desktop (data/com.brel.tessivar.svg) is the same drawing.
namespace ApplicationIcon {

// `side` points across, for screens of `density` device pixels to the point.
QPixmap pixmap(int side, qreal density = 2);

}  // namespace ApplicationIcon
}  // namespace tessivar
