#include "Tessivar/Effects/QtOverlayPresenter.h"

#include "Platform/Desktop/CompositingDetector.h"
#include "Platform/Qt/QtOverlayWindow.h"
#include "Tessivar/Effects/Private/EffectView.h"

namespace tessivar {

namespace {
// Two effects may overlap on screen (a jump by menu while the last one plays);
// a third takes the window of the oldest.
constexpr std::size_t kWindows = 2;
}  // namespace

QtOverlayPresenter::QtOverlayPresenter(platform::CompositingDetector* compositing, platform::CursorImageSource* cursors)
    : compositing_(compositing), cursors_(cursors), windows_(kWindows) {}

std::shared_ptr<platform::OverlayWindow> QtOverlayPresenter::present(const platform::Rect& frame, LocatingEffect effect,
                                                                     double backingScaleFactor,
                                                                     std::function<void()> played) {
    auto lease = windows_.lend(frame);
    auto* window = lease->window();
    const bool shaped = compositing_ && !compositing_->isCompositing();
    // A window used before may still be cut to its last effect's frame.
    if (!shaped) window->widget()->clearMask();
    EffectView* view = viewIn(*window, effect, backingScaleFactor);
    view->setShapedToDrawing(shaped);
    view->setWhenPlayed(std::move(played));
    view->startAnimation();
    lease->orderFront();
    return lease;
}

// The window's view of the same kind plays again; another kind is made anew.
EffectView* QtOverlayPresenter::viewIn(platform::QtOverlayWindow& window, LocatingEffect effect,
                                       double backingScaleFactor) {
    QWidget* shown = window.contentWidget();
    if (effect == LocatingEffect::cursorScale) {
        auto cursor = cursors_.current(backingScaleFactor);
        if (auto* view = dynamic_cast<CursorScaleEffectView*>(shown)) {
            view->setEnlargedCursor(std::move(cursor));
            return view;
        }
        return placed(window, new CursorScaleEffectView(std::move(cursor), &frames_));
    }
    if (auto* view = dynamic_cast<RippleEffectView*>(shown)) return view;
    return placed(window, new RippleEffectView(&frames_));
}

EffectView* QtOverlayPresenter::placed(platform::QtOverlayWindow& window, EffectView* view) {
    window.setContentWidget(view);
    return view;
}

}  // namespace tessivar
