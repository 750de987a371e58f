#pragma once
#include <QObject>
#include <QVariantAnimation>

#include "Tessivar/Onboarding/Private/Spring.h"

class QWidget;

namespace tessivar {

class EntranceEffect;

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
