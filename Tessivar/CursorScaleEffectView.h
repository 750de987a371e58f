#pragma once
#include <QImage>

#include "Tessivar/CursorScaleTimeline.h"
#include "Tessivar/EffectView.h"

namespace tessivar {

// The enlarged arrow that grows and shrinks around the landing point.
class CursorScaleEffectView : public EffectView {
public:
    CursorScaleEffectView(double backingScale, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
    CursorScaleTimeline timeline_;
};

}  // namespace tessivar
