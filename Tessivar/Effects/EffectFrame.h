#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <functional>

namespace tessivar {

// One frame of an effect as it goes on the screen: only the part of the view
// that the drawing covers, so showing it moves few pixels.
struct EffectFrame {
    QImage image;   // what covers `area`; opaque when the frame is shaped
    QRect area;     // in the view's device-independent pixels; empty when nothing is drawn
    QRegion shown;  // shaped frames only: the pixels to show, in the view; never empty

    using Draw = std::function<void(QPainter& painter)>;
    // Draws on a transparent view of `size` at `ratio` and keeps the drawn part;
    // `shaped` makes it fit a window no compositor blends (see ShapedFrame).
    static EffectFrame render(QSize size, double ratio, bool shaped, const Draw& draw);
};

}  // namespace tessivar
