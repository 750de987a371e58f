#pragma once
#include <QWidget>

namespace tessivar {

struct OnboardingAppearance;
class PageDots;

// The band across the top of the onboarding: the title and the page dots over
// a wash of the accent colour. It is the window's title bar: dragging from
// anywhere on it, even with the first click while the window is inactive,
// moves the window.
class OnboardingHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 70;
    static constexpr const char* kTitle = "欢迎使用 Tessivar";

    explicit OnboardingHeader(const OnboardingAppearance& look, QWidget* parent = nullptr);

    PageDots* dots() const { return dots_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor wash_;
    QColor background_;
    PageDots* dots_;
};

}  // namespace tessivar
