#include "Tessivar/QtOverlayPresenter.h"

#include "Platform/Desktop/CompositingDetector.h"
#include "Platform/Qt/QtOverlayWindow.h"
#include "Tessivar/CursorScaleEffectView.h"
#include "Tessivar/RippleEffectView.h"

namespace tessivar {

QtOverlayPresenter::QtOverlayPresenter(platform::CompositingDetector* compositing,
                                       platform::CursorImageSource* cursors)
    : compositing_(compositing), cursors_(cursors) {}

std::shared_ptr<platform::OverlayWindow> QtOverlayPresenter::present(const platform::Rect& frame,
                                                                     LocatingEffect effect,
                                                                     double backingScaleFactor) {
    auto window = std::make_shared<platform::QtOverlayWindow>(frame);
    EffectView* view = makeView(effect, backingScaleFactor);
    view->setShapedToDrawing(compositing_ && !compositing_->isCompositing());
    window->setContentWidget(view);
    view->startAnimation();
    window->orderFront();
    return window;
}

EffectView* QtOverlayPresenter::makeView(LocatingEffect effect, double backingScaleFactor) {
    if (effect == LocatingEffect::cursorScale) return new CursorScaleEffectView(cursors_.current(backingScaleFactor));
    return new RippleEffectView();
}

}  // namespace tessivar
