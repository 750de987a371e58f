#pragma once
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Tessivar/Effects/EffectFrameCache.h"
#include "Tessivar/Effects/EnlargedCursor.h"
#include "Tessivar/Effects/Private/EffectTimelines.h"

namespace tessivar {

// A transparent view that plays one animation at 120 frames a second and then
// holds its last frame. Subclasses draw a frame for a time; each frame is
// drawn once per look and kept (see EffectFrameCache), and only the part a
// frame draws is put on the screen.
//
// The animation's clock starts with the first frame painted in a window the
// screen shows, not when the view is made: a program kept from running
// between the two (a busy machine, a window mapped late) still shows the
// effect from its start instead of its faded end.
//
// Without a compositing manager the window system shows transparent pixels as
// black; a view shaped to its drawing then cuts its window to what each frame
// draws (see ShapedFrame), so only the effect itself is seen.
class EffectView : public QWidget {
public:
    // Without a cache the view keeps its frames to itself.
    EffectView(double durationSeconds, EffectFrameCache* frames, QWidget* parent);

    void setShapedToDrawing(bool shaped) { shaped_ = shaped; }
    bool isShapedToDrawing() const { return shaped_; }
    // Plays from the first frame that reaches the screen; called again, plays
    // again from the start, whatever the last play had come to.
    void startAnimation();
    // Told once, when the play's clock reaches its end (from the frame timer,
    // never from inside a paint); never when the view goes before.
    void setWhenPlayed(std::function<void()> played) { whenPlayed_ = std::move(played); }

protected:
    // What the drawing depends on besides the time, for telling kept frames apart.
    virtual std::string look() const = 0;
    // Draws the frame at `seconds` on a transparent canvas of the view's size.
    virtual void drawFrame(QPainter& painter, double seconds) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::size_t frameIndexNow() const;
    void showFrame(std::size_t index);
    void frameReachedTheScreen();
    void finishPlaying();

    double duration_;
    std::size_t frameCount_;
    bool shaped_ = false;
    bool started_ = false;
    bool played_ = false;
    std::function<void()> whenPlayed_;
    std::unique_ptr<EffectFrameCache> ownFrames_;
    EffectFrameCache* frames_;
    QElapsedTimer clock_;
    QTimer frameTimer_;
    // A copy, cheap (the pixels are shared): the cache may let its own go.
    std::optional<EffectFrame> shown_;
    EffectFrameCache::Look shownLook_;
    std::size_t shownIndex_ = 0;
};

// A thin ring in the accent colour that expands and fades around the landing point.
class RippleEffectView : public EffectView {
public:
    explicit RippleEffectView(EffectFrameCache* frames = nullptr, QWidget* parent = nullptr);

protected:
    std::string look() const override;
    void drawFrame(QPainter& painter, double seconds) override;
};

// The pointer's picture growing and shrinking around the landing point, its
// hot spot kept on the view's centre.
class CursorScaleEffectView : public EffectView {
public:
    explicit CursorScaleEffectView(EnlargedCursor cursor, EffectFrameCache* frames = nullptr,
                                   QWidget* parent = nullptr);

    // The picture the next play enlarges.
    void setEnlargedCursor(EnlargedCursor cursor);

protected:
    std::string look() const override;
    void drawFrame(QPainter& painter, double seconds) override;

private:
    EnlargedCursor cursor_;
    CursorScaleTimeline timeline_;
};

}  // namespace tessivar
