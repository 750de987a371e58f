#include "Tessivar/QtOverlayPresenter.h"

#include "Platform/Qt/QtOverlayWindow.h"
#include "Tessivar/CursorScaleEffectView.h"
#include "Tessivar/RippleEffectView.h"

namespace tessivar {

std::shared_ptr<platform::OverlayWindow> QtOverlayPresenter::present(const platform::Rect& frame,
                                                                     LocatingEffect effect,
                                                                     double backingScaleFactor) {
    auto window = std::make_shared<platform::QtOverlayWindow>(frame);
    EffectView* view = nullptr;
    if (effect == LocatingEffect::cursorScale) {
        view = new CursorScaleEffectView(backingScaleFactor);
    } else {
        view = new RippleEffectView();
    }
    window->setContentWidget(view);
    view->startAnimation();
    window->orderFront();
    return window;
}

}  // namespace tessivar
