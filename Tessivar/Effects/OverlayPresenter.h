#pragma once
#include <functional>
#include <memory>

#include "Platform/Desktop/OverlayWindow.h"
#include "Tessivar/Effects/LocatingEffect.h"

namespace tessivar {

// Opens an overlay window on a global frame with the effect's view inside,
// starts the effect's animation and shows the window without focusing it.
// The animation plays from its first frame on the screen, however late that
// comes; `played` is called once its last frame is on the screen, and never
// when the window goes to another effect before.
class OverlayPresenter {
public:
    virtual ~OverlayPresenter() = default;
    virtual std::shared_ptr<platform::OverlayWindow> present(const platform::Rect& frame, LocatingEffect effect,
                                                             double backingScaleFactor,
                                                             std::function<void()> played) = 0;
};

}  // namespace tessivar
