#pragma once
#include <QPixmap>
#include <QWidget>

namespace tessivar {

// A page's large icon: a soft disc of the accent colour with a glow towards
// its centre, the picture in the middle over its own shadow. 80 x 80.
class HeroIcon : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSide = 80;

    HeroIcon(QPixmap picture, const QColor& accent, QWidget* parent = nullptr);

    const QPixmap& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
    QColor accent_;
};

}  // namespace tessivar
