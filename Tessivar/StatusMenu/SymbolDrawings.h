#pragma once
#include <QColor>
#include <QIcon>
#include <QPixmap>

#include <string_view>

namespace tessivar {

// The symbols the windows and the menu show, drawn here in one colour so that
// they look the same on every desktop, whatever its icon theme holds:
// "sparkles", "shield.fill", "eye.fill", "bolt.fill", "checkmark.circle.fill",
// "keyboard", "lightbulb.fill", "chevron.left", "chevron.right", "gearshape",
// "info.circle", "info.circle.fill", "safari", "ladybug", "envelope", and the
// menu's "cursorarrow.motionlines", "laptopcomputer", "display",
// "hand.point.up.left" and "power".
namespace SymbolDrawings {

bool has(std::string_view name);
// `side` in device-independent pixels, drawn for screens of twice the
// density. An unknown name draws nothing.
QPixmap pixmap(std::string_view name, int side, const QColor& color);
QIcon icon(std::string_view name, int side, const QColor& color);
// A transparent picture of that size and density, to draw a symbol of one's own on.
QPixmap canvas(int side);

}  // namespace SymbolDrawings
}  // namespace tessivar
