#pragma once
#include <QPoint>
#include <QRect>

#include "Platform/Desktop/Geometry.h"

namespace platform {

// Moves values between Qt's integer types and ours without changing their
// coordinate space; every change of space is CoordinateSpace's business.
namespace QtGeometry {

Point toPoint(const QPoint& point);
Rect toRect(const QRect& rect);
// Qt places windows and the pointer on whole points.
QPoint toRoundedQPoint(Point point);
QRect toRoundedQRect(const Rect& rect);

// The line the top-left desktop and the global space mirror about; 0 without screens.
double primaryScreenHeight();

}  // namespace QtGeometry
}  // namespace platform
