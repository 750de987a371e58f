#include "Tessivar/Onboarding/OnboardingWindow.h"

#include <QBoxLayout>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QPainterPath>
#include <QPointer>
#include <QScreen>

#include "Platform/Desktop/CoordinateSpace.h"
#include "Tessivar/ChineseFace.h"
#include "Tessivar/Onboarding/Private/OnboardingCard.h"
#include "Tessivar/Onboarding/Private/OnboardingPlacement.h"

namespace tessivar {

namespace {
using platform::CoordinateSpace::topLeftToGlobal;

platform::Rect rectOf(const QRect& rect) {
    return {{static_cast<double>(rect.x()), static_cast<double>(rect.y())},
            {static_cast<double>(rect.width()), static_cast<double>(rect.height())}};
}

// The card's rounded shape. The window is cut to it rather than drawn on a
// see-through backing, so the corners are the same with or without a compositor.
QRegion cardShape(const QSize& size) {
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), OnboardingWindow::kCornerRadius, OnboardingWindow::kCornerRadius);
    return QRegion(path.toFillPolygon().toPolygon());
}
}  // namespace

OnboardingWindow::OnboardingWindow(OnboardingEnvironment environment, std::weak_ptr<AppActions> app, OnClose onClose)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      onCloseHandler_(std::move(onClose)),
      appearance_(OnboardingAppearance::choose(environment.defaults, QGuiApplication::palette())) {
    // The view holds the window weakly: a request after the window went does nothing.
    view_ = std::make_unique<OnboardingView>(environment, std::move(app), [self = QPointer(this)](bool didFinish) {
        if (self) self->finishFromView(didFinish);
    });
    setWindowTitle(QString::fromUtf8(kTitle));
    setFont(withChineseFace(font()));
    setPalette(appearance_.palette());
    resizeCard({kWidth, kHeight});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    card_ = new OnboardingCard(*view_, appearance_);
    layout->addWidget(card_);
    view_->setChangeHandler([this] { card_->render(); });
}

OnboardingWindow::~OnboardingWindow() = default;

void OnboardingWindow::centerOnMouseScreen() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (screens.isEmpty() || !primary) return;
    // Global coordinates mirror Qt's about the primary display's height.
    const double primaryHeight = primary->geometry().height();
    std::vector<OnboardingPlacement::Display> displays;
    for (const QScreen* screen : screens) {
        displays.push_back({topLeftToGlobal(rectOf(screen->geometry()), primaryHeight),
                            topLeftToGlobal(rectOf(screen->availableGeometry()), primaryHeight)});
    }
    const QPoint pointer = QCursor::pos();
    const auto frame = OnboardingPlacement::frame(
        displays, static_cast<std::size_t>(screens.indexOf(primary)),
        topLeftToGlobal(platform::Point{static_cast<double>(pointer.x()), static_cast<double>(pointer.y())},
                        primaryHeight),
        {kWidth, kHeight});
    if (!frame) return;
    const platform::Rect topLeft = platform::CoordinateSpace::globalToTopLeft(*frame, primaryHeight);
    resizeCard({qRound(topLeft.size.width), qRound(topLeft.size.height)});
    move(qRound(topLeft.minX()), qRound(topLeft.minY()));
}

void OnboardingWindow::resizeCard(const QSize& size) {
    setFixedSize(size);
    setMask(cardShape(size));
}

void OnboardingWindow::finishFromView(bool didFinish) {
    didFinishOrSkip_ = didFinish;
    close();
}

// Every close tells the owner, whoever asked for it.
void OnboardingWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (onCloseHandler_) onCloseHandler_(didFinishOrSkip_);
}

}  // namespace tessivar
