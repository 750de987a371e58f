#include "Tessivar/LocatingEffect.h"

#include "Tessivar/CursorScaleTimeline.h"
#include "Tessivar/RippleTimeline.h"

namespace tessivar {

double durationOf(LocatingEffect effect) {
    return effect == LocatingEffect::cursorScale ? CursorScaleTimeline::kDuration : RippleTimeline::kDuration;
}

}  // namespace tessivar
