#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

namespace tessivar {

// A transparent view that redraws itself for the length of one animation and
// then holds its last frame. Subclasses draw a frame from the seconds elapsed.
//
// Without a compositing manager the window system shows transparent pixels as
// black; a view shaped to its drawing then cuts its window to what each frame
// draws (see ShapedFrame), so only the effect itself is seen.
class EffectView : public QWidget {
public:
    EffectView(double durationSeconds, QWidget* parent);

    void setShapedToDrawing(bool shaped) { shaped_ = shaped; }
    bool isShapedToDrawing() const { return shaped_; }
    void startAnimation();
    // The frame on show, as it is put on the screen.
    const QImage& frame() const { return frame_; }

protected:
    double elapsedSeconds() const;
    // Draws the frame at `seconds` on a transparent image of the view's size.
    virtual void drawFrame(QPainter& painter, double seconds) = 0;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderFrame();
    QImage drawnFrame();

    double duration_;
    bool shaped_ = false;
    QElapsedTimer clock_;
    QTimer frameTimer_;
    QImage frame_;
};

}  // namespace tessivar
