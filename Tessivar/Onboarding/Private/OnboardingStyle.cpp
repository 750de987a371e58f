#include "Tessivar/Onboarding/Private/OnboardingStyle.h"

#include <QBoxLayout>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTextLayout>

#include "Tessivar/Onboarding/OnboardingAppearance.h"

namespace tessivar::OnboardingStyle {

namespace {
constexpr int kCardWidth = 480;
constexpr int kCardRadius = 12;
}  // namespace

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

QColor faded(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(color.alphaF() * alpha));
    return color;
}

QString css(const QColor& color) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'f', 3));
}

QFont font(const QFont& base, int pixelSize, QFont::Weight weight) {
    QFont result = base;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QLabel* label(std::string_view content, int pixelSize, QFont::Weight weight, const QColor& color) {
    auto* result = new QLabel(text(content));
    result->setFont(font(result->font(), pixelSize, weight));
    QPalette palette = result->palette();
    palette.setColor(QPalette::WindowText, color);
    result->setPalette(palette);
    result->setAlignment(Qt::AlignCenter);
    return result;
}

bool hasEveryGlyph(const QFont& font, const QString& content) {
    QTextLayout layout(content, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (const quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0) return false;
        }
    }
    return true;
}

QFrame* card(const OnboardingAppearance& look, int padding, int spacing) {
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("onboardingCard"));
    frame->setFixedWidth(kCardWidth);
    frame->setStyleSheet(
        QStringLiteral("#onboardingCard { background: %1; border: 1px solid %2; border-radius: %3px; }")
            .arg(css(faded(look.controlBackground, OnboardingAppearance::kCardOpacity)), css(faded(look.primary, 0.1)))
            .arg(kCardRadius));
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(padding, padding, padding, padding);
    layout->setSpacing(spacing);
    return frame;
}

QPushButton* button(const QString& content, const QString& styleSheet) {
    auto* result = new QPushButton(content);
    result->setFocusPolicy(Qt::NoFocus);
    result->setCursor(Qt::PointingHandCursor);
    result->setStyleSheet(styleSheet);
    return result;
}

}  // namespace tessivar::OnboardingStyle
