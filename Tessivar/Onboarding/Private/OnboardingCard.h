#pragma once
#include <QWidget>

class QPushButton;
class QVBoxLayout;

namespace tessivar {

struct OnboardingAppearance;
class OnboardingHeader;
class OnboardingPage;
class OnboardingView;

// Everything the onboarding window shows: the header, the current step's page
// and the bottom bar with the skip or back button and the primary button. It
// renders its view and hands the buttons' presses to it; a page is made anew
// each time its step is shown, so its entrance plays again.
class OnboardingCard : public QWidget {
    Q_OBJECT
public:
    OnboardingCard(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent = nullptr);

    void render();

    OnboardingHeader* header() const { return header_; }
    OnboardingPage* page() const { return page_; }
    QPushButton* leftButton() const { return left_; }
    QPushButton* primaryButton() const { return primary_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* makePageScroller();
    QWidget* makeBottomBar();
    void showStep(int step);
    OnboardingPage* makePage(int step);
    void renderButtons();

    OnboardingView& view_;
    const OnboardingAppearance& look_;
    OnboardingHeader* header_;
    QVBoxLayout* pageArea_;
    OnboardingPage* page_ = nullptr;
    QWidget* bottomBar_ = nullptr;
    QPushButton* left_ = nullptr;
    QPushButton* primary_ = nullptr;
};

}  // namespace tessivar
