#include "Tessivar/EffectView.h"

#include <QPainter>
#include <algorithm>

#include "Tessivar/ShapedFrame.h"

namespace tessivar {

namespace {
constexpr int kFrameIntervalMs = 8;  // about 120 frames a second
}

EffectView::EffectView(double durationSeconds, QWidget* parent) : QWidget(parent), duration_(durationSeconds) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(kFrameIntervalMs);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        renderFrame();
        if (elapsedSeconds() >= duration_) frameTimer_.stop();
    });
}

void EffectView::startAnimation() {
    clock_.start();
    frameTimer_.start();
    renderFrame();
}

double EffectView::elapsedSeconds() const {
    if (!clock_.isValid()) return 0;
    return std::min(duration_, static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

void EffectView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), frame_);
}

void EffectView::resizeEvent(QResizeEvent*) { renderFrame(); }

// The window's shape changes with the frame, before the frame is painted, so
// no frame shows through the previous frame's shape.
void EffectView::renderFrame() {
    // Not laid out in its window yet: the resize that follows draws the frame.
    if (size().isEmpty()) return;
    QImage drawn = drawnFrame();
    if (shaped_) {
        auto shaped = ShapedFrame::from(drawn);
        window()->setMask(shaped.region.translated(mapTo(window(), QPoint(0, 0))));
        drawn = std::move(shaped.image);
    }
    frame_ = std::move(drawn);
    update();
}

QImage EffectView::drawnFrame() {
    const double ratio = devicePixelRatioF();
    QImage image((QSizeF(size()) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawFrame(painter, elapsedSeconds());
    return image;
}

}  // namespace tessivar
