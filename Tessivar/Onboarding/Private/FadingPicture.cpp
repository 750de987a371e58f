#include "Tessivar/Onboarding/Private/FadingPicture.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPixmap>
#include <QPropertyAnimation>

namespace tessivar::FadingPicture {

namespace {
// What the widget and its children draw, without the window's background:
// transparent where they draw nothing, so what replaces them shows through.
QPixmap pictureOf(QWidget& widget) {
    const qreal density = widget.devicePixelRatioF();
    QPixmap picture(widget.size() * density);
    picture.setDevicePixelRatio(density);
    picture.fill(Qt::transparent);
    widget.render(&picture, QPoint(), QRegion(), QWidget::DrawChildren);
    return picture;
}
}  // namespace

void fadeOut(QWidget& leaving, std::chrono::milliseconds duration) {
    QWidget* parent = leaving.parentWidget();
    if (!parent || !leaving.isVisible()) return;
    auto* picture = new QLabel(parent);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    picture->setPixmap(pictureOf(leaving));
    picture->setGeometry(leaving.geometry());
    auto* opacity = new QGraphicsOpacityEffect(picture);
    picture->setGraphicsEffect(opacity);
    auto* fade = new QPropertyAnimation(opacity, "opacity", picture);
    fade->setDuration(static_cast<int>(duration.count()));
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setEasingCurve(QEasingCurve::InOutQuad);
    QObject::connect(fade, &QPropertyAnimation::finished, picture, &QObject::deleteLater);
    picture->show();
    picture->raise();
    fade->start();
}

}  // namespace tessivar::FadingPicture
