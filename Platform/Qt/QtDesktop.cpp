#include "Platform/Qt/QtDesktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/DisplayIdentity.h"
#include "Platform/Qt/QtGeometry.h"

namespace platform {
namespace {

// Primary first, then the rest in Qt's order.
QList<QScreen*> orderedScreens() {
    QList<QScreen*> ordered;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary) return ordered;
    ordered.append(primary);
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) ordered.append(screen);
    }
    return ordered;
}

std::optional<DisplayID> displayIDOf(const QScreen* screen) {
    const QString connector = screen->name();
    if (connector.isEmpty()) return std::nullopt;
    return displayIDForConnector(connector.toStdString());
}

QScreen* screenWithID(const QList<QScreen*>& screens, DisplayID display) {
    for (QScreen* screen : screens) {
        if (displayIDOf(screen) == display) return screen;
    }
    return nullptr;
}

// The name is only for log lines; the connector is what the user sees in the
// display settings when the monitor does not name itself.
std::string localizedNameOf(const QScreen* screen) {
    QStringList parts;
    if (!screen->manufacturer().isEmpty()) parts << screen->manufacturer();
    if (!screen->model().isEmpty()) parts << screen->model();
    return (parts.isEmpty() ? screen->name() : parts.join(QLatin1Char(' '))).toStdString();
}

// Wayland compositors do not let clients warp the pointer.
bool canWarpPointer(const QList<QScreen*>& screens) {
    return !screens.isEmpty() && !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

std::vector<Screen> QtDesktop::screens() {
    const QList<QScreen*> ordered = orderedScreens();
    if (ordered.isEmpty()) return {};
    const double primaryHeight = ordered.first()->geometry().height();
    std::vector<Screen> result;
    result.reserve(static_cast<std::size_t>(ordered.size()));
    for (const QScreen* screen : ordered) {
        result.push_back({displayIDOf(screen), localizedNameOf(screen),
                          CoordinateSpace::topLeftToGlobal(QtGeometry::toRect(screen->geometry()), primaryHeight),
                          screen->devicePixelRatio()});
    }
    return result;
}

Point QtDesktop::mouseLocation() {
    return CoordinateSpace::topLeftToGlobal(QtGeometry::toPoint(QCursor::pos()), QtGeometry::primaryScreenHeight());
}

Rect QtDesktop::displayBounds(DisplayID display) {
    const QScreen* screen = screenWithID(QGuiApplication::screens(), display);
    return screen ? QtGeometry::toRect(screen->geometry()) : Rect{};
}

std::int32_t QtDesktop::moveCursor(DisplayID display, Point local) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (!canWarpPointer(screens)) return kCursorMoveNotPossible;
    QScreen* screen = screenWithID(screens, display);
    if (!screen) return kCursorMoveUnknownDisplay;
    const Point topLeft = CoordinateSpace::localToTopLeft(local, QtGeometry::toPoint(screen->geometry().topLeft()));
    // The target screen, not the primary one, decides how Qt scales the point to
    // device pixels.
    QCursor::setPos(screen, QtGeometry::toRoundedQPoint(topLeft));
    return kCursorMoveSuccess;
}

}  // namespace platform
