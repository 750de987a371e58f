#include "Tessivar/ReadableColor.h"

#include <algorithm>
#include <cmath>

namespace tessivar::ReadableColor {

namespace {
// Below this luminance a colour counts as dark: black and white read equally on it.
constexpr double kMidLuminance = 0.18;
constexpr double kStep = 0.02;

double linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

// `share` of `to` over `from`, opaque.
QColor mixed(const QColor& from, const QColor& to, double share) {
    return QColor::fromRgbF(static_cast<float>(from.redF() + (to.redF() - from.redF()) * share),
                            static_cast<float>(from.greenF() + (to.greenF() - from.greenF()) * share),
                            static_cast<float>(from.blueF() + (to.blueF() - from.blueF()) * share));
}
}  // namespace

double luminance(const QColor& color) {
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

double contrast(const QColor& a, const QColor& b) {
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

QColor over(const QColor& color, const QColor& background) { return mixed(background, color, color.alphaF()); }

QColor against(const QColor& color, const QColor& other) {
    const QColor away = luminance(other) > kMidLuminance ? QColor(Qt::black) : QColor(Qt::white);
    QColor opaque = color;
    opaque.setAlpha(255);
    QColor result = opaque;
    for (double share = kStep; share <= 1.0 && contrast(result, other) < kMinimumContrast; share += kStep) {
        result = mixed(opaque, away, share);
    }
    return result;
}

}  // namespace tessivar::ReadableColor
