#pragma once

namespace tessivar {

// The two effects that mark where the pointer landed.
enum class LocatingEffect { cursorScale, ring };

// Both play in a square overlay of this many points centred on the landing point.
inline constexpr double kOverlaySide = 200;
// The hardware pointer stays hidden this long after a cursor-scale effect starts,
// a little less than the effect, so the real pointer is back as the copy fades.
inline constexpr double kCursorRestoreDelay = 0.35;

// However its painting goes (a window never shown, frames that stop coming),
// an effect's overlay is taken away this many seconds after the jump. Long
// enough for a starved program to show the whole effect late.
inline constexpr double kEffectTimeLimit = 5;

}  // namespace tessivar
