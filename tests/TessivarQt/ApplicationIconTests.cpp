// The icon installed for the desktop is the picture the program draws.
#include <gtest/gtest.h>
#include <QPainter>
#include <QSvgRenderer>

#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace {

int channelDistance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

// Rendered by Qt's SVG renderer, the installed file and the drawing agree
// pixel for pixel but for antialiasing (premultiplied, so a see-through pixel
// counts as the same whatever its colour).
TEST(ApplicationIcon, TheInstalledSvgIsThePictureTheProgramDraws) {
    QSvgRenderer svg(QStringLiteral(TESSIVAR_SOURCE_DIR "/data/com.brel.tessivar.svg"));
    ASSERT_TRUE(svg.isValid());
    for (const int side : {32, 64, 128}) {
        QImage installed(side, side, QImage::Format_ARGB32_Premultiplied);
        installed.fill(Qt::transparent);
        QPainter painter(&installed);
        svg.render(&painter);
        painter.end();
        const QImage drawn =
            tessivar::ApplicationIcon::pixmap(side, 1).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(drawn.size(), installed.size());
        int apart = 0;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x)
                apart += channelDistance(drawn.pixel(x, y), installed.pixel(x, y)) > 48 ? 1 : 0;
        }
        EXPECT_LE(apart, side * side / 100) << side << " px: " << apart << " pixels differ";
    }
}

}  // namespace
