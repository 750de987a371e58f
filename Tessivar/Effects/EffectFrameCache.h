#pragma once
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <cstddef>
#include <functional>
#include <list>
#include <optional>
#include <string>
#include <vector>

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

// Frames drawn once and shown again by every later effect that looks the same:
// drawing and shaping a frame costs many times what showing it does, and a
// hot key pressed while an effect plays waits for whatever the frame costs.
// Frames are kept for the few effects shown last.
class EffectFrameCache {
public:
    // Everything a frame's pixels depend on besides its time.
    struct Look {
        std::string effect;  // the effect and what it draws ("scale 7", the pointer's picture)
        QSize size;
        double ratio = 1;
        bool shaped = false;
        friend bool operator==(const Look&, const Look&) = default;
    };

    // Frame `index` of an effect that has `count` frames, drawn by `draw` when not kept.
    const EffectFrame& frame(const Look& look, std::size_t index, std::size_t count, const EffectFrame::Draw& draw);

private:
    struct Entry {
        Look look;
        std::vector<std::optional<EffectFrame>> frames;
    };

    Entry& entryFor(const Look& look, std::size_t count);

    std::list<Entry> entries_;  // the one used last first
};

}  // namespace tessivar
