#include "Tessivar/StatusMenu/SymbolDrawings.h"

#include <QPainter>
#include <QPainterPath>

#include <functional>
#include <map>

namespace tessivar::SymbolDrawings {

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

// Outlines are drawn with this pen width, in the 16-point box.
constexpr qreal kOutline = 1.2;

void outlinePen(QPainter& p) {
    QPen pen = p.pen();
    pen.setWidthF(kOutline);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
}

void gearshape(QPainter& p) {
    QPainterPath gear;
    gear.addEllipse(QPointF(8, 8), 5.2, 5.2);
    for (int tooth = 0; tooth < 8; ++tooth) {
        QPainterPath one;
        one.addRoundedRect(QRectF(6.6, 0.6, 2.8, 3.4), 0.6, 0.6);
        QTransform turn;
        turn.translate(8, 8).rotate(tooth * 45.0).translate(-8, -8);
        gear = gear.united(turn.map(one));
    }
    QPainterPath hole;
    hole.addEllipse(QPointF(8, 8), 2.3, 2.3);
    p.setPen(Qt::NoPen);
    p.drawPath(gear.subtracted(hole));
}

// The letter i in a circle: cut out of a filled disc, or inside a ring.
void info(QPainter& p, bool filled) {
    QPainterPath letter;
    letter.addEllipse(QPointF(8, 4.9), 0.95, 0.95);
    letter.addRoundedRect(QRectF(7.25, 6.9, 1.5, 5), 0.5, 0.5);
    if (filled) {
        QPainterPath disc;
        disc.addEllipse(QPointF(8, 8), 7.5, 7.5);
        p.setPen(Qt::NoPen);
        p.drawPath(disc.subtracted(letter));
        return;
    }
    const QColor colour = p.pen().color();
    outlinePen(p);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    p.fillPath(letter, colour);
}

void compass(QPainter& p) {
    const QColor colour = p.pen().color();
    outlinePen(p);
    p.drawEllipse(QPointF(8, 8), 6.8, 6.8);
    const QPointF needle[] = {{11.6, 4.4}, {9, 9}, {4.4, 11.6}, {7, 7}};
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(needle, 4);
}

void ladybug(QPainter& p) {
    const QColor colour = p.pen().color();
    outlinePen(p);
    p.drawEllipse(QRectF(3, 4.6, 10, 10.6));
    p.drawLine(QPointF(8, 5), QPointF(8, 15));
    p.drawLine(QPointF(3.2, 8), QPointF(1, 6.6));
    p.drawLine(QPointF(12.8, 8), QPointF(15, 6.6));
    p.drawLine(QPointF(3, 11.8), QPointF(1, 12.6));
    p.drawLine(QPointF(13, 11.8), QPointF(15, 12.6));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawChord(QRectF(5.2, 1.2, 5.6, 6), 0, 180 * 16);
    for (const QPointF spot : {QPointF(5.6, 9), QPointF(10.4, 9), QPointF(5.8, 12.4), QPointF(10.2, 12.4)}) {
        p.drawEllipse(spot, 0.9, 0.9);
    }
}

void envelope(QPainter& p) {
    outlinePen(p);
    p.drawRoundedRect(QRectF(1.5, 3.5, 13, 9), 1.5, 1.5);
    const QPointF flap[] = {{2, 4.3}, {8, 9}, {14, 4.3}};
    p.drawPolyline(flap, 3);
}

// The menu's own symbols: the jump, the displays, the guide and quitting.
void cursorMotion(QPainter& p) {
    const QColor colour = p.pen().color();
    const QPointF arrow[] = {{6.5, 2}, {6.5, 13.5}, {9.3, 10.8}, {11.4, 15}, {13.2, 14.1}, {11.1, 10}, {15, 10}};
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPolygon(arrow, 7);
    p.setPen(colour);
    outlinePen(p);
    p.drawLine(QPointF(1, 6), QPointF(4.2, 6));
    p.drawLine(QPointF(2, 9), QPointF(4.2, 9));
    p.drawLine(QPointF(1, 12), QPointF(4.2, 12));
}

void laptop(QPainter& p) {
    outlinePen(p);
    p.drawRoundedRect(QRectF(3, 3, 10, 7.5), 1, 1);
    p.drawLine(QPointF(1, 13), QPointF(15, 13));
    p.drawLine(QPointF(3, 10.5), QPointF(1.6, 12.6));
    p.drawLine(QPointF(13, 10.5), QPointF(14.4, 12.6));
}

void display(QPainter& p) {
    outlinePen(p);
    p.drawRoundedRect(QRectF(1.5, 2, 13, 9), 1.2, 1.2);
    p.drawLine(QPointF(8, 11), QPointF(8, 13.6));
    p.drawLine(QPointF(5, 14), QPointF(11, 14));
}

// A hand with its forefinger up, leaning to the left.
void pointingHand(QPainter& p) {
    QPainterPath hand;
    hand.addRoundedRect(QRectF(5.5, 7, 8, 7.5), 2.4, 2.4);
    hand.addRoundedRect(QRectF(5.5, 1.2, 2.8, 9), 1.4, 1.4);
    hand.addRoundedRect(QRectF(3, 8.2, 3.6, 2.6), 1.3, 1.3);
    QTransform lean;
    lean.translate(8, 8).rotate(-18).translate(-8, -8);
    outlinePen(p);
    p.drawPath(lean.map(hand.simplified()));
}

void power(QPainter& p) {
    outlinePen(p);
    p.drawArc(QRectF(2.2, 2.8, 11.6, 11.6), 125 * 16, 290 * 16);
    p.drawLine(QPointF(8, 1.2), QPointF(8, 7.6));
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
        {"gearshape", gearshape},
        {"info.circle", [](QPainter& p) { info(p, false); }},
        {"info.circle.fill", [](QPainter& p) { info(p, true); }},
        {"safari", compass},
        {"ladybug", ladybug},
        {"envelope", envelope},
        {"cursorarrow.motionlines", cursorMotion},
        {"laptopcomputer", laptop},
        {"display", display},
        {"hand.point.up.left", pointingHand},
        {"power", power},
    };
    return table;
}

}  // namespace

QPixmap canvas(int side) {
    QPixmap result(QSize(side, side) * kDensity);
    result.setDevicePixelRatio(kDensity);
    result.fill(Qt::transparent);
    return result;
}

bool has(std::string_view name) { return drawings().contains(name); }

QPixmap pixmap(std::string_view name, int side, const QColor& color) {
    QPixmap result = canvas(side);
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

}  // namespace tessivar::SymbolDrawings
