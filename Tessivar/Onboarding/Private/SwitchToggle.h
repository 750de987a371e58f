#pragma once
#include <QCheckBox>
#include <QColor>

namespace tessivar {

struct OnboardingAppearance;

// A check box drawn as a switch, in the look's colours rather than the
// desktop style's (whose box may not read on the look's card): the label, then
// a rounded track, the accent when on and a quiet tint of the text when off,
// with a white knob at the end it is switched to. The whole row takes a click.
class SwitchToggle : public QCheckBox {
public:
    static constexpr int kTrackWidth = 32;
    static constexpr int kTrackHeight = 18;

    SwitchToggle(const QString& text, const OnboardingAppearance& look, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Where the track is drawn, in the toggle's coordinates.
    QRect trackRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool hitButton(const QPoint& position) const override { return rect().contains(position); }

private:
    static constexpr int kSpacing = 10;
    static constexpr int kKnobInset = 2;
    // The off track: the look's quieter text, faint, so it reads on light and dark cards alike.
    static constexpr int kOffTrackAlpha = 90;

    QColor on_;
    QColor off_;
    QColor text_;
};

}  // namespace tessivar
