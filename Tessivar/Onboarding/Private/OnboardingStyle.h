#pragma once
#include <QColor>
#include <QFont>
#include <QString>

#include <string_view>

class QBoxLayout;
class QFrame;
class QLabel;
class QPushButton;

namespace tessivar {

struct OnboardingAppearance;

// What the onboarding's pages share: texts in the sizes and weights they use,
// the rounded cards of the steps, and colours as style sheets take them.
namespace OnboardingStyle {

QString text(std::string_view utf8);
// The colour at `alpha` of its own alpha.
QColor faded(QColor color, double alpha);
QString css(const QColor& color);
// The window's font at a pixel size and weight.
QFont font(const QFont& base, int pixelSize, QFont::Weight weight = QFont::Normal);
QLabel* label(std::string_view text, int pixelSize, QFont::Weight weight, const QColor& color);
// Whether the font, with the faces the desktop falls back to, has a glyph for
// every character of `text` (a missing one shows as an empty box).
bool hasEveryGlyph(const QFont& font, const QString& text);
// A card 480 wide on the control background, outlined, with rounded corners;
// its vertical layout holds `padding` on every side.
QFrame* card(const OnboardingAppearance& look, int padding, int spacing);
// A flat, unfocusable button drawn by its style sheet.
QPushButton* button(const QString& text, const QString& styleSheet);

}  // namespace OnboardingStyle
}  // namespace tessivar
