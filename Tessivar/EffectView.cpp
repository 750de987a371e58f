#include "Tessivar/EffectView.h"

#include <algorithm>

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
        update();
        if (elapsedSeconds() >= duration_) frameTimer_.stop();
    });
}

void EffectView::startAnimation() {
    clock_.start();
    frameTimer_.start();
    update();
}

double EffectView::elapsedSeconds() const {
    if (!clock_.isValid()) return 0;
    return std::min(duration_, static_cast<double>(clock_.nsecsElapsed()) / 1e9);
}

}  // namespace tessivar
