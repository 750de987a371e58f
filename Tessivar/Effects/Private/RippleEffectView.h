#pragma once
#include "Tessivar/Effects/Private/EffectView.h"

namespace tessivar {

// A thin ring in the accent colour that expands and fades around the landing point.
class RippleEffectView : public EffectView {
public:
    explicit RippleEffectView(EffectFrameCache* frames = nullptr, QWidget* parent = nullptr);

protected:
    std::string look() const override;
    void drawFrame(QPainter& painter, double seconds) override;
};

}  // namespace tessivar
