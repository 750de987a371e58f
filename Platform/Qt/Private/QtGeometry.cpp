#include "Platform/Qt/Private/QtGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform::QtGeometry {
namespace {

int rounded(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

Point toPoint(const QPoint& point) { return {static_cast<double>(point.x()), static_cast<double>(point.y())}; }

Rect toRect(const QRect& rect) {
    return {toPoint(rect.topLeft()), {static_cast<double>(rect.width()), static_cast<double>(rect.height())}};
}

QPoint toRoundedQPoint(Point point) { return {rounded(point.x), rounded(point.y)}; }

QRect toRoundedQRect(const Rect& rect) {
    return {toRoundedQPoint(rect.origin), QSize(rounded(rect.size.width), rounded(rect.size.height))};
}

double primaryScreenHeight() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().height() : 0.0;
}

}  // namespace platform::QtGeometry
