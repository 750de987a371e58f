#pragma once

namespace tessivar {

// The two effects that mark where the pointer landed.
enum class LocatingEffect { cursorScale, ring };

// Both play in a square overlay of this many points centred on the landing point.
inline constexpr double kOverlaySide = 200;
// The hardware pointer stays hidden this long after a cursor-scale effect starts,
// a little less than the effect, so the real pointer is back as the copy fades.
inline constexpr double kCursorRestoreDelay = 0.35;

// How long the effect plays; its overlay goes away then.
double durationOf(LocatingEffect effect);

}  // namespace tessivar
