#pragma once
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace tessivar {

// A transparent view that repaints itself for the length of one animation and
// then holds its last frame. Subclasses paint from elapsedSeconds().
class EffectView : public QWidget {
public:
    EffectView(double durationSeconds, QWidget* parent);
    void startAnimation();

protected:
    double elapsedSeconds() const;

private:
    double duration_;
    QElapsedTimer clock_;
    QTimer frameTimer_;
};

}  // namespace tessivar
