#pragma once
#include <QColor>

namespace tessivar {

// Colours of text and what it is drawn on, kept readable: WCAG relative
// luminance and contrast, and the least change that makes a pair read.
namespace ReadableColor {

// 4.5 : 1 (WCAG AA for text) with room for antialiasing, which leaves the thin
// strokes of small text short of their colour on screen.
inline constexpr double kMinimumContrast = 5.0;

double luminance(const QColor& color);
double contrast(const QColor& a, const QColor& b);
// A colour as it shows over an opaque background: its alpha taken into account.
QColor over(const QColor& color, const QColor& background);
// `color` moved away from `other` (towards black when `other` is light, white
// when it is dark) just until the two reach kMinimumContrast; opaque.
QColor against(const QColor& color, const QColor& other);

}  // namespace ReadableColor
}  // namespace tessivar
