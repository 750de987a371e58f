#pragma once
#include <QPoint>
#include <QWidget>

#include <optional>

namespace tessivar {

struct OnboardingAppearance;
class PageDots;

// The band across the top of the onboarding: the title and the page dots over
// a wash of the accent colour. It is the window's title bar: a press anywhere
// on it, even the first click while the window is inactive, moves the window.
class OnboardingHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 70;
    static constexpr const char* kTitle = "欢迎使用 Tessivar";

    explicit OnboardingHeader(const OnboardingAppearance& look, QWidget* parent = nullptr);

    PageDots* dots() const { return dots_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QColor wash_;
    QColor background_;
    PageDots* dots_;
    // Where in the window the press was, while this header moves the window
    // itself (no window manager took the move over).
    std::optional<QPoint> dragOffset_;
};

}  // namespace tessivar
