#include "Tessivar/Effects/Private/ArrowCursorImage.h"

#include <QPainter>
#include <QPainterPath>

namespace tessivar {

QSize ArrowCursorImage::bitmapPixels(double enlargement, double backingScale) {
    return {static_cast<int>(size().width * enlargement * backingScale),
            static_cast<int>(size().height * enlargement * backingScale)};
}

QImage ArrowCursorImage::render(double enlargement, double backingScale) {
    QImage image(bitmapPixels(enlargement, backingScale), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    image.setDevicePixelRatio(backingScale);

    QPainterPath arrow;
    arrow.moveTo(1, 1);
    arrow.lineTo(1, 18);
    arrow.lineTo(5, 14.5);
    arrow.lineTo(8, 21);
    arrow.lineTo(10.5, 20);
    arrow.lineTo(7.5, 13.5);
    arrow.lineTo(12.5, 13.5);
    arrow.closeSubpath();

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(enlargement, enlargement);
    painter.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::black);
    painter.drawPath(arrow);
    return image;
}

}  // namespace tessivar
