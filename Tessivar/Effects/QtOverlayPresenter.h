#pragma once
#include "Platform/Qt/QtOverlayPool.h"
#include "Tessivar/Effects/EffectFrameCache.h"
#include "Tessivar/Effects/EnlargedCursor.h"
#include "Tessivar/Effects/OverlayPresenter.h"

namespace platform {
class CompositingDetector;
class CursorImageSource;
class QtOverlayWindow;
}  // namespace platform

namespace tessivar {

class EffectView;

// Shows the effect views in Qt overlay windows, a few windows made once and
// used again, each with the view it last showed when the effect is the same.
// Each effect asks whether a compositor blends its window: without one the
// view is cut to what it draws.
class QtOverlayPresenter : public OverlayPresenter {
public:
    // Without a detector the desktop is taken to composite; without a cursor
    // source the cursor-scale effect enlarges a drawn arrow.
    explicit QtOverlayPresenter(platform::CompositingDetector* compositing = nullptr,
                                platform::CursorImageSource* cursors = nullptr);

    std::shared_ptr<platform::OverlayWindow> present(const platform::Rect& frame, LocatingEffect effect,
                                                     double backingScaleFactor, std::function<void()> played) override;

private:
    EffectView* viewIn(platform::QtOverlayWindow& window, LocatingEffect effect, double backingScaleFactor);
    static EffectView* placed(platform::QtOverlayWindow& window, EffectView* view);

    platform::CompositingDetector* compositing_;
    EnlargedCursorCache cursors_;
    EffectFrameCache frames_;
    platform::QtOverlayPool windows_;
};

}  // namespace tessivar
