#pragma once
#include <QGraphicsEffect>

namespace tessivar {

// Draws a widget scaled about its centre and faded: the entrance of an
// onboarding block. At full size and opacity it draws the widget as it is.
class EntranceEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit EntranceEffect(QObject* parent = nullptr);

    double scale() const { return scale_; }
    double opacity() const { return opacity_; }
    void setFrame(double scale, double opacity);

protected:
    // Room for a spring's overshoot past full size.
    QRectF boundingRectFor(const QRectF& rect) const override;
    void draw(QPainter* painter) override;

private:
    double scale_ = 1;
    double opacity_ = 1;
};

}  // namespace tessivar
