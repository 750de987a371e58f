#include "Tessivar/Effects/LocatingEffect.h"

#include "Tessivar/Private/CursorScaleTimeline.h"
#include "Tessivar/Private/RippleTimeline.h"

namespace tessivar {

double durationOf(LocatingEffect effect) {
    return effect == LocatingEffect::cursorScale ? CursorScaleTimeline::kDuration : RippleTimeline::kDuration;
}

}  // namespace tessivar
