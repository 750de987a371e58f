#pragma once
#include <QImage>
#include <QRegion>

namespace tessivar {

// One animation frame made fit for a window that no compositor blends with
// what lies beneath it: the window is cut to the pixels the frame covers and
// those pixels are drawn opaque in their own colour. Translucent pixels are
// dithered in or out by their alpha, so a fade thins out instead of darkening.
struct ShapedFrame {
    QImage image;    // opaque, same size and device pixel ratio as the frame
    QRegion region;  // the pixels to show, in device-independent pixels; never empty

    // `at` is where the frame's top-left sits in its window; the region is given there.
    static ShapedFrame from(const QImage& translucent, QPoint at = {});
    // The region of a frame that shows nothing: an empty mask would mean no
    // mask at all, the whole window shown, so one pixel outside the window.
    static QRegion nothingShown();
};

}  // namespace tessivar
