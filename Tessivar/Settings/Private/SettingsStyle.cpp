#include "Tessivar/Settings/Private/SettingsStyle.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "Tessivar/ReadableColor.h"

namespace tessivar::SettingsStyle {

namespace {
constexpr int kHorizontalMargin = 10;
constexpr int kTopMargin = 2;
constexpr int kBottomMargin = 14;
}  // namespace

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QGroupBox* section(std::string_view header, QWidget* parent) {
    auto* box = new QGroupBox(text(header), parent);
    new QVBoxLayout(box);
    return box;
}

QLabel* label(const QString& content, int size, int weight, bool secondary) {
    auto* label = new QLabel(content);
    QFont font = label->font();
    font.setPixelSize(size);
    if (weight != 0) font.setWeight(static_cast<QFont::Weight>(weight));
    label->setFont(font);
    if (secondary) label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QBoxLayout* paneLayout(QWidget* pane) {
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(kHorizontalMargin, kTopMargin, kHorizontalMargin, kBottomMargin);
    return layout;
}

QPalette readable(QPalette palette) {
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        const QColor window = palette.color(group, QPalette::Window);
        palette.setColor(group, QPalette::PlaceholderText,
                         ReadableColor::against(
                             ReadableColor::over(palette.color(group, QPalette::PlaceholderText), window), window));
        palette.setColor(group, QPalette::Highlight,
                         ReadableColor::against(palette.color(group, QPalette::Highlight),
                                                palette.color(group, QPalette::HighlightedText)));
    }
    return palette;
}

}  // namespace tessivar::SettingsStyle
