#pragma once
#include "Tessivar/OverlayPresenter.h"

namespace tessivar {

// Shows the effect views in Qt overlay windows.
class QtOverlayPresenter : public OverlayPresenter {
public:
    std::shared_ptr<platform::OverlayWindow> present(const platform::Rect& frame, LocatingEffect effect,
                                                     double backingScaleFactor) override;
};

}  // namespace tessivar
