#pragma once
#include <memory>

#include "Platform/Desktop/OverlayWindow.h"
#include "Tessivar/Effects/LocatingEffect.h"

namespace tessivar {

// Opens an overlay window on a global frame with the effect's view inside,
// starts the effect's animation and shows the window without focusing it.
class OverlayPresenter {
public:
    virtual ~OverlayPresenter() = default;
    virtual std::shared_ptr<platform::OverlayWindow> present(const platform::Rect& frame, LocatingEffect effect,
                                                             double backingScaleFactor) = 0;
};

}  // namespace tessivar
