#include "Platform/Desktop/CoordinateSpace.h"

namespace platform::CoordinateSpace {

bool contains(const Rect& frame, Point global) {
    // x: [minX, maxX). y: (minY, maxY], because the top edge (maxY in global
    // space) is the display's own first pixel row and the bottom edge is the
    // first row of the display stacked below.
    return global.x >= frame.minX() && global.x < frame.maxX() && global.y > frame.minY() && global.y <= frame.maxY();
}

Point globalToLocal(Point global, const Rect& frame) {
    return {global.x - frame.minX(), frame.size.height - (global.y - frame.minY())};
}

Point localToGlobal(Point local, const Rect& frame) {
    return {frame.minX() + local.x, frame.minY() + (frame.size.height - local.y)};
}

Point topLeftToGlobal(Point topLeft, double primaryHeight) { return {topLeft.x, primaryHeight - topLeft.y}; }

Point globalToTopLeft(Point global, double primaryHeight) { return {global.x, primaryHeight - global.y}; }

Rect topLeftToGlobal(const Rect& topLeft, double primaryHeight) {
    return {{topLeft.minX(), primaryHeight - topLeft.maxY()}, topLeft.size};
}

Rect globalToTopLeft(const Rect& global, double primaryHeight) {
    return {{global.minX(), primaryHeight - global.maxY()}, global.size};
}

Point localToTopLeft(Point local, Point topLeftOrigin) {
    return {topLeftOrigin.x + local.x, topLeftOrigin.y + local.y};
}

Point topLeftToNative(Point topLeft, Point origin, double ratio) {
    return {origin.x + (topLeft.x - origin.x) * ratio, origin.y + (topLeft.y - origin.y) * ratio};
}

Point nativeToTopLeft(Point native, Point origin, double ratio) {
    return {origin.x + (native.x - origin.x) / ratio, origin.y + (native.y - origin.y) / ratio};
}

Rect centredFrame(Point centre, Size size) {
    return {{centre.x - size.width * 0.5, centre.y - size.height * 0.5}, size};
}

}  // namespace platform::CoordinateSpace
