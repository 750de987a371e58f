#include "Tessivar/Effects/QtOverlayPresenter.h"

#include "Platform/Desktop/CompositingDetector.h"
#include "Platform/Qt/QtOverlayWindow.h"
#include "Tessivar/Private/CursorScaleEffectView.h"
#include "Tessivar/Private/RippleEffectView.h"

namespace tessivar {

namespace {
// Two effects may overlap on screen (a jump by menu while the last one plays);
// a third takes the window of the oldest.
constexpr std::size_t kWindows = 2;
}  // namespace

QtOverlayPresenter::QtOverlayPresenter(platform::CompositingDetector* compositing,
                                       platform::CursorImageSource* cursors)
    : compositing_(compositing), cursors_(cursors), windows_(kWindows) {}

std::shared_ptr<platform::OverlayWindow> QtOverlayPresenter::present(const platform::Rect& frame,
                                                                     LocatingEffect effect,
                                                                     double backingScaleFactor,
                                                                     std::function<void()> played) {
    auto lease = windows_.lend(frame);
    auto* window = lease->window();
    const bool shaped = compositing_ && !compositing_->isCompositing();
    // A window used before may still be cut to its last effect's frame.
    if (!shaped) window->widget()->clearMask();
    EffectView* view = makeView(effect, backingScaleFactor);
    view->setShapedToDrawing(shaped);
    view->setWhenPlayed(std::move(played));
    window->setContentWidget(view);
    view->startAnimation();
    lease->orderFront();
    return lease;
}

EffectView* QtOverlayPresenter::makeView(LocatingEffect effect, double backingScaleFactor) {
    if (effect == LocatingEffect::cursorScale) {
        return new CursorScaleEffectView(cursors_.current(backingScaleFactor), &frames_);
    }
    return new RippleEffectView(&frames_);
}

}  // namespace tessivar
