#include "Platform/Qt/QtDesktop.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/DisplayIdentity.h"
#include "Platform/Desktop/OutputOrder.h"
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

QtDesktop::QtDesktop(OutputOrder* outputOrder)
    : outputOrderSource_(outputOrder), connections_(std::make_unique<QObject>()) {
    changeCoalescer_.setSingleShot(true);
    changeCoalescer_.setInterval(kChangeSettleMs);
    QObject::connect(&changeCoalescer_, &QTimer::timeout, connections_.get(), [this] {
        if (changedHandler_) changedHandler_();
    });
    auto* application = qGuiApp;
    if (!application) return;
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
}

void QtDesktop::screensDidChange() {
    outputOrder_.reset();
    changeCoalescer_.start();
}

void QtDesktop::setScreensChangedHandler(std::function<void()> handler) { changedHandler_ = std::move(handler); }

const std::vector<std::string>& QtDesktop::outputOrder() {
    if (!outputOrder_) outputOrder_ = outputOrderSource_ ? outputOrderSource_->connectorNames() : std::vector<std::string>{};
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

std::vector<Screen> QtDesktop::screens() {
    const QList<QScreen*> numbered = numberedScreens();
    if (numbered.isEmpty()) return {};
    // Global coordinates hang off the primary display, which is not always first
    // when the window system names no primary.
    const double primaryHeight = QtGeometry::primaryScreenHeight();
    std::vector<Screen> result;
    result.reserve(static_cast<std::size_t>(numbered.size()));
    for (const QScreen* screen : numbered) {
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
