#pragma once
#include "Platform/Desktop/Geometry.h"

namespace platform {

// Every coordinate conversion of the program lives here.
//
// Global space: origin at the bottom-left of the primary display, y up, in points.
// Display-local space: origin at the top-left of one display, y down, in points.
// Top-left desktop space: the window system's virtual desktop, origin at the
// top-left of the primary display, y down, in points (Qt's logical coordinates).
// Native space: the X server's root window, in device pixels.
namespace CoordinateSpace {

// Whether a global point lies on a display with this global frame. Left and top
// edges belong to the display, right and bottom edges to its neighbours, so the
// panel row at the very top of a display counts as on it. (Global y grows upwards:
// the top edge is maxY.)
bool contains(const Rect& frame, Point global);

Point globalToLocal(Point global, const Rect& frame);
Point localToGlobal(Point local, const Rect& frame);

// Between the top-left desktop and the global space; primaryHeight is the height
// of the primary display, the line the two spaces mirror about.
Point topLeftToGlobal(Point topLeft, double primaryHeight);
Point globalToTopLeft(Point global, double primaryHeight);
Rect topLeftToGlobal(const Rect& topLeft, double primaryHeight);
Rect globalToTopLeft(const Rect& global, double primaryHeight);

// A display-local point on a display whose top-left sits at `topLeftOrigin` in the
// top-left desktop.
Point localToTopLeft(Point local, Point topLeftOrigin);

// Between the top-left desktop and the native space on one display whose
// top-left corner is `origin` in both: the window system scales a display by
// its device pixel ratio about that corner.
Point topLeftToNative(Point topLeft, Point origin, double ratio);
Point nativeToTopLeft(Point native, Point origin, double ratio);

// Global frame of a window of `size` centred on a global point.
Rect centredFrame(Point centre, Size size);

}  // namespace CoordinateSpace
}  // namespace platform
