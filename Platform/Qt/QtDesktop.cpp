#include "Platform/Qt/QtDesktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/EventPointer.h"
#include "Platform/Desktop/PointerWarp.h"
#include "Platform/Desktop/ScreenArrangement.h"
#include "Platform/Qt/Private/QtGeometry.h"

namespace platform {
namespace {

// A burst of RandR events (an output off, the layout shifted, a new primary)
// reaches Qt over a few turns of the event loop.
constexpr int kChangeSettleMs = 50;

std::optional<DisplayID> displayIDOf(const QScreen* screen) {
    const QString connector = screen->name();
    if (connector.isEmpty()) return std::nullopt;
    return displayIDForConnector(connector.toStdString());
}

// The name is only for log lines; the connector is what the user sees in the
// display settings when the monitor does not name itself.
std::string localizedNameOf(const QScreen* screen) {
    QStringList parts;
    if (!screen->manufacturer().isEmpty()) parts << screen->manufacturer();
    if (!screen->model().isEmpty()) parts << screen->model();
    return (parts.isEmpty() ? screen->name() : parts.join(QLatin1Char(' '))).toStdString();
}

std::vector<ScreenCandidate> candidatesOf(const QList<QScreen*>& screens) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    std::vector<ScreenCandidate> candidates;
    candidates.reserve(static_cast<std::size_t>(screens.size()));
    for (const QScreen* screen : screens) {
        candidates.push_back({screen->name().toStdString(), QtGeometry::toRect(screen->geometry()), screen == primary});
    }
    return candidates;
}

// Wayland compositors do not let clients warp the pointer.
bool canWarpPointer(const QList<QScreen*>& screens) {
    return !screens.isEmpty() && !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

}  // namespace

QtDesktop::QtDesktop(OutputOrder* outputOrder, PointerWarp* warp, const EventPointer* eventPointer)
    : outputOrderSource_(outputOrder),
      warp_(warp),
      eventPointer_(eventPointer),
      connections_(std::make_unique<QObject>()) {
    changeCoalescer_.setSingleShot(true);
    changeCoalescer_.setInterval(kChangeSettleMs);
    QObject::connect(&changeCoalescer_, &QTimer::timeout, connections_.get(), [this] {
        if (changedHandler_) changedHandler_();
    });
    auto* application = qGuiApp;
    if (!application) return;
    watching_ = true;
    QObject::connect(application, &QGuiApplication::screenAdded, connections_.get(), [this](QScreen* screen) {
        watch(screen);
        screensDidChange();
    });
    QObject::connect(application, &QGuiApplication::screenRemoved, connections_.get(), [this] { screensDidChange(); });
    QObject::connect(application, &QGuiApplication::primaryScreenChanged, connections_.get(),
                     [this] { screensDidChange(); });
    for (QScreen* screen : QGuiApplication::screens()) watch(screen);
}

QtDesktop::~QtDesktop() = default;

void QtDesktop::watch(QScreen* screen) {
    QObject::connect(screen, &QScreen::geometryChanged, connections_.get(), [this] { screensDidChange(); });
    // The scale a move and a reading of the pointer use is kept with the rest.
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, connections_.get(), [this] { screensDidChange(); });
}

void QtDesktop::screensDidChange() {
    forgetScreens();
    changeCoalescer_.start();
}

// Dropped at once, not when the burst settles: the next call must already see the change.
void QtDesktop::forgetScreens() {
    outputOrder_.reset();
    snapshot_.reset();
}

void QtDesktop::setScreensChangedHandler(std::function<void()> handler) { changedHandler_ = std::move(handler); }

const std::vector<std::string>& QtDesktop::outputOrder() {
    if (!outputOrder_)
        outputOrder_ = outputOrderSource_ ? outputOrderSource_->connectorNames() : std::vector<std::string>{};
    return *outputOrder_;
}

QList<QScreen*> QtDesktop::numberedScreens() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<QScreen*> numbered;
    for (std::size_t index : arrangeScreens(candidatesOf(screens), outputOrder())) {
        numbered.append(screens[static_cast<qsizetype>(index)]);
    }
    return numbered;
}

const QtDesktop::Snapshot& QtDesktop::snapshot() {
    if (!snapshot_ || !watching_) snapshot_ = takeSnapshot();
    return *snapshot_;
}

QtDesktop::Snapshot QtDesktop::takeSnapshot() {
    Snapshot taken;
    const QList<QScreen*> all = QGuiApplication::screens();
    taken.canWarp = canWarpPointer(all);
    // Global coordinates hang off the primary display, which is not always first
    // when the window system names no primary.
    taken.primaryHeight = QtGeometry::primaryScreenHeight();
    for (QScreen* screen : all) {
        taken.placements.push_back({displayIDOf(screen), screen, screen->geometry(), screen->devicePixelRatio()});
    }
    const QList<QScreen*> numbered = numberedScreens();
    taken.screens.reserve(static_cast<std::size_t>(numbered.size()));
    for (const QScreen* screen : numbered) {
        taken.screens.push_back(
            {displayIDOf(screen), localizedNameOf(screen),
             CoordinateSpace::topLeftToGlobal(QtGeometry::toRect(screen->geometry()), taken.primaryHeight),
             screen->devicePixelRatio()});
    }
    return taken;
}

std::vector<Screen> QtDesktop::screens() { return snapshot().screens; }

// Qt scales each screen about its top-left corner, which stays put.
bool QtDesktop::Placement::holdsNative(Point native) const {
    const Rect nativeRect{QtGeometry::toPoint(geometry.topLeft()),
                          {geometry.width() * ratio, geometry.height() * ratio}};
    return native.x >= nativeRect.minX() && native.x < nativeRect.maxX() && native.y >= nativeRect.minY() &&
           native.y < nativeRect.maxY();
}

const QtDesktop::Placement* QtDesktop::placementWithID(DisplayID display) {
    for (const auto& placement : snapshot().placements) {
        if (placement.id == display) return &placement;
    }
    return nullptr;
}

Point QtDesktop::nativeToTopLeft(Point native) {
    for (const auto& placement : snapshot().placements) {
        if (!placement.holdsNative(native)) continue;
        return CoordinateSpace::nativeToTopLeft(native, QtGeometry::toPoint(placement.geometry.topLeft()),
                                                placement.ratio);
    }
    return native;
}

std::optional<Point> QtDesktop::pointerOfCurrentEvent() {
    const auto pointer = eventPointer_ ? eventPointer_->pointerAtCurrentEvent() : std::nullopt;
    if (!pointer || pointer->event == movedDuringEvent_) return std::nullopt;
    return nativeToTopLeft({static_cast<double>(pointer->x), static_cast<double>(pointer->y)});
}

// QCursor::pos() asks the server, so it is called only when the event cannot tell.
Point QtDesktop::mouseLocation() {
    const auto pressed = pointerOfCurrentEvent();
    const Point topLeft = pressed ? *pressed : QtGeometry::toPoint(QCursor::pos());
    return CoordinateSpace::topLeftToGlobal(topLeft, snapshot().primaryHeight);
}

Rect QtDesktop::displayBounds(DisplayID display) {
    const Placement* placement = placementWithID(display);
    return placement ? QtGeometry::toRect(placement->geometry) : Rect{};
}

std::int32_t QtDesktop::moveCursor(DisplayID display, Point local) {
    if (!snapshot().canWarp) return kCursorMoveNotPossible;
    const Placement* placement = placementWithID(display);
    if (!placement) return kCursorMoveUnknownDisplay;
    warp(*placement, CoordinateSpace::localToTopLeft(local, QtGeometry::toPoint(placement->geometry.topLeft())));
    return kCursorMoveSuccess;
}

// The target screen, not the primary one, decides how the point scales to
// device pixels. Qt places the pointer on whole points first.
void QtDesktop::warp(const Placement& placement, Point topLeft) {
    const auto pointer = eventPointer_ ? eventPointer_->pointerAtCurrentEvent() : std::nullopt;
    if (pointer) movedDuringEvent_ = pointer->event;
    const QPoint rounded = QtGeometry::toRoundedQPoint(topLeft);
    if (!warp_) {
        QCursor::setPos(placement.screen, rounded);
        return;
    }
    const Point native = CoordinateSpace::topLeftToNative(
        QtGeometry::toPoint(rounded), QtGeometry::toPoint(placement.geometry.topLeft()), placement.ratio);
    const QPoint nativePixel = QtGeometry::toRoundedQPoint(native);
    if (!warp_->warpTo(nativePixel.x(), nativePixel.y())) QCursor::setPos(placement.screen, rounded);
}

}  // namespace platform
