#pragma once
#include "Tessivar/Effects/EnlargedCursor.h"
#include "Tessivar/Effects/Private/CursorScaleTimeline.h"
#include "Tessivar/Effects/Private/EffectView.h"

namespace tessivar {

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
