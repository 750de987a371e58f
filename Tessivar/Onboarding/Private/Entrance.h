#pragma once
#include <QGraphicsEffect>
#include <QObject>
#include <QVariantAnimation>

#include "Tessivar/Onboarding/Private/Spring.h"

class QWidget;

namespace tessivar {

// Draws a widget scaled about its centre and faded: the entrance of an
// onboarding block. At full size and opacity it draws the widget as it is.
class EntranceEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit EntranceEffect(QObject* parent = nullptr);

    double scale() const { return scale_; }
    double opacity() const { return opacity_; }
    void setFrame(double scale, double opacity);

protected:
    // Room for a spring's overshoot past full size.
    QRectF boundingRectFor(const QRectF& rect) const override;
    void draw(QPainter* painter) override;

private:
    double scale_ = 1;
    double opacity_ = 1;
};

// How a block comes on screen: from `hiddenScale` of its size and transparent
// to full size and opaque, moved by a spring after a delay.
struct EntranceStyle {
    double hiddenScale = 1;
    Spring spring;
    double delaySeconds = 0;
};

// The entrance of one block of an onboarding page. Shown, it plays; hidden,
// the block is gone at once and the next show plays again. The block owns it,
// and its animation ends with it.
class Entrance : public QObject {
    Q_OBJECT
public:
    Entrance(QWidget* block, EntranceStyle style);

    void setShown(bool shown);
    bool isPlaying() const { return animation_.state() == QAbstractAnimation::Running; }
    // Where the block is now: its scale and opacity.
    double scale() const;
    double opacity() const;

private:
    void showFrame(double seconds);

    EntranceStyle style_;
    EntranceEffect* effect_;
    QVariantAnimation animation_;
    bool shown_ = false;
};

}  // namespace tessivar
