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

    static ShapedFrame from(const QImage& translucent);
};

}  // namespace tessivar
