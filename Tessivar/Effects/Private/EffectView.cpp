#include "Tessivar/Effects/Private/EffectView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace tessivar {

namespace {
constexpr double kFramesPerSecond = 120;
constexpr int kFrameIntervalMs = 8;
}  // namespace

EffectView::EffectView(double durationSeconds, EffectFrameCache* frames, QWidget* parent)
    : QWidget(parent),
      duration_(durationSeconds),
      frameCount_(static_cast<std::size_t>(std::ceil(durationSeconds * kFramesPerSecond)) + 1),
      ownFrames_(frames ? nullptr : std::make_unique<EffectFrameCache>()),
      frames_(frames ? frames : ownFrames_.get()) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    frameTimer_.setInterval(kFrameIntervalMs);
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        const auto index = frameIndexNow();
        showFrame(index);
        if (index + 1 < frameCount_) return;
        // Every effect has faded out by its last frame, so there is no paint
        // to wait for (a window cut to nothing may never get one): the play
        // ends when its time is up, not later.
        frameTimer_.stop();
        finishPlaying();
    });
}

// A view used again is reset here rather than made anew: making one widget and
// dropping another was much of the work each press did after its jump.
void EffectView::startAnimation() {
    started_ = true;
    played_ = false;
    frameTimer_.stop();
    clock_.invalidate();
    const QRect before = shown_ ? shown_->area : QRect();
    shown_.reset();
    showFrame(0);
    // Where the last play left its frame is cleared with the first one drawn.
    update(before);
}

std::size_t EffectView::frameIndexNow() const {
    if (!clock_.isValid()) return 0;
    const double seconds = static_cast<double>(clock_.nsecsElapsed()) / 1e9;
    return std::min(frameCount_ - 1, static_cast<std::size_t>(std::lround(seconds * kFramesPerSecond)));
}

void EffectView::paintEvent(QPaintEvent*) {
    if (shown_ && !shown_->area.isEmpty()) {
        QPainter painter(this);
        painter.drawImage(shown_->area.topLeft(), shown_->image);
    }
    // Painted before its window is on the screen, the frame goes nowhere.
    if (window()->testAttribute(Qt::WA_Mapped)) frameReachedTheScreen();
}

// The first frame on the screen starts the clock.
void EffectView::frameReachedTheScreen() {
    if (!started_ || played_ || clock_.isValid()) return;
    clock_.start();
    frameTimer_.start();
}

void EffectView::finishPlaying() {
    if (played_) return;
    played_ = true;
    if (whenPlayed_) whenPlayed_();
}

void EffectView::resizeEvent(QResizeEvent*) { showFrame(frameIndexNow()); }

// The window's shape changes with the frame, before the frame is painted, so
// no frame shows through the previous frame's shape.
void EffectView::showFrame(std::size_t index) {
    // Not laid out in its window yet: the resize that follows shows the frame.
    if (size().isEmpty()) return;
    const EffectFrameCache::Look look{this->look(), size(), devicePixelRatioF(), shaped_};
    const double seconds = std::min(duration_, static_cast<double>(index) / kFramesPerSecond);
    if (shown_ && shownIndex_ == index && shownLook_ == look) return;
    const EffectFrame& next =
        frames_->frame(look, index, frameCount_, [&](QPainter& painter) { drawFrame(painter, seconds); });
    if (shaped_) window()->setMask(next.shown.translated(mapTo(window(), QPoint(0, 0))));
    const QRect before = shown_ ? shown_->area : QRect();
    shown_ = next;
    shownLook_ = look;
    shownIndex_ = index;
    update(before.united(next.area));
}

RippleEffectView::RippleEffectView(EffectFrameCache* frames, QWidget* parent)
    : EffectView(RippleTimeline::kDuration, frames, parent) {}

// The ring takes the accent colour, which the user may change.
std::string RippleEffectView::look() const {
    return "ring " + palette().color(QPalette::Highlight).name().toStdString();
}

void RippleEffectView::drawFrame(QPainter& painter, double seconds) {
    const auto frame = RippleTimeline::at(seconds);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(frame.opacity);
    painter.translate(width() * 0.5, height() * 0.5);
    painter.scale(frame.scale, frame.scale);
    painter.setPen(QPen(palette().color(QPalette::Highlight), RippleTimeline::kLineWidth));
    painter.setBrush(Qt::NoBrush);
    const double radius = RippleTimeline::kDiameter * 0.5;
    painter.drawEllipse(QRectF(-radius, -radius, RippleTimeline::kDiameter, RippleTimeline::kDiameter));
}

CursorScaleEffectView::CursorScaleEffectView(EnlargedCursor cursor, EffectFrameCache* frames, QWidget* parent)
    : EffectView(CursorScaleTimeline::kDuration, frames, parent),
      cursor_(std::move(cursor)),
      timeline_(cursor_.hotSpot) {}

void CursorScaleEffectView::setEnlargedCursor(EnlargedCursor cursor) {
    cursor_ = std::move(cursor);
    timeline_ = CursorScaleTimeline(cursor_.hotSpot);
}

std::string CursorScaleEffectView::look() const { return "scale " + cursor_.look; }

void CursorScaleEffectView::drawFrame(QPainter& painter, double seconds) {
    // A failed bitmap leaves the overlay empty; the player still takes it away.
    if (cursor_.image.isNull()) return;
    const auto frame = timeline_.at(seconds);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setOpacity(frame.opacity);
    painter.translate(frame.origin.x, frame.origin.y);
    painter.scale(frame.scale, frame.scale);
    const double enlargement = EnlargedCursor::kEnlargement;
    painter.drawImage(QRectF(0, 0, cursor_.size.width * enlargement, cursor_.size.height * enlargement), cursor_.image);
}

}  // namespace tessivar
