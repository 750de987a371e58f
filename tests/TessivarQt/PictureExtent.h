#pragma once
#include <QImage>
#include <QPixmap>
#include <QSizeF>

namespace tessivar::testing {

// How far a picture's drawing reaches, in points: the box round its pixels
// that are more than a quarter opaque. Empty for a picture that draws nothing.
inline QSizeF drawnExtent(const QPixmap& picture) {
    const QImage image = picture.toImage();
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) <= 64) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0) return {};
    return QSizeF(right - left + 1, bottom - top + 1) / picture.devicePixelRatio();
}

}  // namespace tessivar::testing
