#include "Tessivar/Onboarding/Private/OnboardingSymbols.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <map>

#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar::OnboardingSymbols {

namespace {

constexpr qreal kDensity = 2;

// Each symbol is drawn in a 16 x 16 box, filled or stroked with the pen and
// brush the painter holds.
using Drawing = std::function<void(QPainter&)>;

QPainterPath star(QPointF centre, qreal radius) {
    QPainterPath path;
    const qreal waist = radius * 0.22;
    path.moveTo(centre.x(), centre.y() - radius);
    path.quadTo(centre.x() + waist, centre.y() - waist, centre.x() + radius, centre.y());
    path.quadTo(centre.x() + waist, centre.y() + waist, centre.x(), centre.y() + radius);
    path.quadTo(centre.x() - waist, centre.y() + waist, centre.x() - radius, centre.y());
    path.quadTo(centre.x() - waist, centre.y() - waist, centre.x(), centre.y() - radius);
    return path;
}

void sparkles(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.drawPath(star({6.5, 9}, 6));
    p.drawPath(star({13, 3.5}, 3));
    p.drawPath(star({13.5, 13}, 2.2));
}

void shield(QPainter& p) {
    QPainterPath path;
    path.moveTo(8, 1);
    path.lineTo(14, 3.2);
    path.cubicTo(14, 9.5, 11.5, 13.2, 8, 15);
    path.cubicTo(4.5, 13.2, 2, 9.5, 2, 3.2);
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.drawPath(path);
}

void eye(QPainter& p) {
    QPainterPath outline;
    outline.moveTo(1, 8);
    outline.quadTo(8, 0.5, 15, 8);
    outline.quadTo(8, 15.5, 1, 8);
    QPainterPath pupil;
    pupil.addEllipse(QPointF(8, 8), 2.6, 2.6);
    p.setPen(Qt::NoPen);
    p.drawPath(outline.subtracted(pupil));
    p.drawEllipse(QPointF(8, 8), 1.4, 1.4);
}

void bolt(QPainter& p) {
    const QPointF points[] = {{9.5, 0.5}, {2.5, 9.2}, {7.4, 9.2}, {6.3, 15.5}, {13.5, 6.6}, {8.6, 6.6}};
    p.setPen(Qt::NoPen);
    p.drawPolygon(points, 6);
}

void checkmarkCircle(QPainter& p) {
    QPainterPath circle;
    circle.addEllipse(QPointF(8, 8), 7.5, 7.5);
    QPainterPath tick;
    tick.moveTo(4.3, 8.2);
    tick.lineTo(7, 10.9);
    tick.lineTo(11.9, 5.4);
    QPainterPathStroker stroker;
    stroker.setWidth(1.8);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    p.setPen(Qt::NoPen);
    p.drawPath(circle.subtracted(stroker.createStroke(tick)));
}

void keyboard(QPainter& p) {
    QPen pen = p.pen();
    pen.setWidthF(1.2);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(1, 3.5, 14, 9), 1.8, 1.8);
    p.setPen(Qt::NoPen);
    p.setBrush(pen.color());
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 5; ++column) p.drawRect(QRectF(3 + column * 2.2, 5.5 + row * 2.2, 1.2, 1.2));
    }
    p.drawRect(QRectF(5, 10, 6, 1.1));
}

void lightbulb(QPainter& p) {
    QPainterPath glass;
    glass.moveTo(5.6, 10.6);
    glass.cubicTo(3.6, 9.2, 2.8, 7.4, 2.8, 5.9);
    glass.cubicTo(2.8, 3, 5.1, 0.8, 8, 0.8);
    glass.cubicTo(10.9, 0.8, 13.2, 3, 13.2, 5.9);
    glass.cubicTo(13.2, 7.4, 12.4, 9.2, 10.4, 10.6);
    glass.closeSubpath();
    p.setPen(Qt::NoPen);
    p.drawPath(glass);
    p.drawRoundedRect(QRectF(5.6, 11.5, 4.8, 1.5), 0.6, 0.6);
    p.drawRoundedRect(QRectF(6.2, 13.7, 3.6, 1.5), 0.6, 0.6);
}

void chevron(QPainter& p, bool left) {
    QPen pen = p.pen();
    pen.setWidthF(1.8);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal tip = left ? 5 : 11;
    const qreal back = left ? 10.5 : 5.5;
    const QPointF points[] = {{back, 2.5}, {tip, 8}, {back, 13.5}};
    p.drawPolyline(points, 3);
}

const std::map<std::string_view, Drawing>& drawings() {
    static const std::map<std::string_view, Drawing> table{
        {"sparkles", sparkles},
        {"shield.fill", shield},
        {"eye.fill", eye},
        {"bolt.fill", bolt},
        {"checkmark.circle.fill", checkmarkCircle},
        {"keyboard", keyboard},
        {"lightbulb.fill", lightbulb},
        {"chevron.left", [](QPainter& p) { chevron(p, true); }},
        {"chevron.right", [](QPainter& p) { chevron(p, false); }},
    };
    return table;
}

QPixmap blank(int side) {
    QPixmap result(QSize(side, side) * kDensity);
    result.setDevicePixelRatio(kDensity);
    result.fill(Qt::transparent);
    return result;
}

}  // namespace

QPixmap pixmap(std::string_view name, int side, const QColor& color) {
    QPixmap result = blank(side);
    const auto found = drawings().find(name);
    if (found == drawings().end()) return result;
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 16.0, side / 16.0);
    painter.setPen(QPen(color));
    painter.setBrush(color);
    found->second(painter);
    return result;
}

QIcon icon(std::string_view name, int side, const QColor& color) { return QIcon(pixmap(name, side, color)); }

QPixmap applicationIcon(int side, const QColor& accent) {
    QPixmap result = blank(side);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient tile(0, 0, 0, side);
    tile.setColorAt(0, accent.lighter(125));
    tile.setColorAt(1, accent.darker(115));
    painter.setPen(Qt::NoPen);
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(0, 0, side, side), side * 0.225, side * 0.225);
    const int inner = side * 3 / 4;
    const QRect picture((side - inner) / 2, (side - inner) / 2, inner, inner);
    SymbolIcons::statusItemIcon().paint(&painter, picture);
    return result;
}

}  // namespace tessivar::OnboardingSymbols
