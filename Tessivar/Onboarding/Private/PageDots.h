#pragma once
#include <QVariantAnimation>
#include <QWidget>

namespace tessivar {

// Where the onboarding is: a dot per step, the current one a wider pill in
// the accent colour. Moving to another step springs the pill across.
class PageDots : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCount = 3;

    PageDots(const QColor& accent, const QColor& primary, QWidget* parent = nullptr);

    int current() const { return current_; }
    void setCurrent(int step);
    // A dot's width as drawn now: 16 for the current step, 7 for the others.
    double dotWidth(int index) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double weightOf(int index) const;

    QColor accent_;
    QColor idle_;
    int current_ = 0;
    int previous_ = 0;
    double progress_ = 1;  // of the move from previous_ to current_
    QVariantAnimation animation_;
};

}  // namespace tessivar
