#include "Tessivar/Onboarding/Private/FadingPicture.h"

#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPropertyAnimation>

namespace tessivar::FadingPicture {

void fadeOut(const QWidget& leaving, std::chrono::milliseconds duration) {
    QWidget* parent = leaving.parentWidget();
    if (!parent || !leaving.isVisible()) return;
    auto* picture = new QLabel(parent);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Transparent where the widget draws nothing: what replaces it shows through.
    picture->setPixmap(const_cast<QWidget&>(leaving).grab());
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
