#pragma once
#include <QPalette>
#include <QString>
#include <string_view>

class QBoxLayout;
class QGroupBox;
class QLabel;
class QWidget;

namespace tessivar {

// The look the settings panes share: grouped sections with a header, texts in
// the sizes the panes use, and the pane's outer margins.
namespace SettingsStyle {

QString text(std::string_view utf8);
// A section with a header (empty: none) and a vertical layout inside.
QGroupBox* section(std::string_view header, QWidget* parent);
// A label whose text is `size` pixels high; `weight` 0 keeps the normal weight.
QLabel* label(const QString& text, int size, int weight = 0, bool secondary = false);
// The pane's vertical layout, with its margins.
QBoxLayout* paneLayout(QWidget* pane);
// The desktop's palette with its quieter text and its selection made to read:
// each at least 4.5 : 1 (WCAG AA) against what it is drawn on, moved towards
// black or white as little as that takes.
QPalette readable(QPalette palette);

}  // namespace SettingsStyle
}  // namespace tessivar
