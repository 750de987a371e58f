#pragma once
#include <QWidget>

#include <functional>
#include <memory>

#include "Tessivar/AppWindows.h"
#include "Tessivar/Onboarding/OnboardingAppearance.h"
#include "Tessivar/Onboarding/OnboardingView.h"

namespace tessivar {

class OnboardingCard;

// The first-run onboarding: a borderless 640 x 460 window above the others,
// cut to its rounded card, showing the onboarding's steps. Its header moves it.
// On a display too small for it at its scale it is as large as the display's
// visible area, the step's page scrolling between header and buttons.
// Whoever closes it, it tells its owner through the close handler, with
// whether the user finished or skipped; the owner may release it then, but
// only later (deleteLater), since the handler runs inside the window's own close.
class OnboardingWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 460;
    static constexpr int kCornerRadius = 16;
    static constexpr const char* kTitle = "欢迎使用 Tessivar";

    using OnClose = std::function<void(bool didFinishOrSkip)>;

    OnboardingWindow(OnboardingEnvironment environment, std::weak_ptr<AppActions> app, OnClose onClose);
    ~OnboardingWindow() override;

    // Centres the window in the visible area of the display under the pointer
    // (the primary display when the pointer is on none), cut to that area where
    // it is smaller; not moved without displays.
    void centerOnMouseScreen();

    OnboardingView& view() const { return *view_; }
    OnboardingCard* card() const { return card_; }
    const OnboardingAppearance& appearance() const { return appearance_; }
    bool didFinishOrSkip() const { return didFinishOrSkip_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void finishFromView(bool didFinish);
    void resizeCard(const QSize& size);

    OnClose onCloseHandler_;
    bool didFinishOrSkip_ = false;
    OnboardingAppearance appearance_;
    std::unique_ptr<OnboardingView> view_;
    OnboardingCard* card_ = nullptr;
};

}  // namespace tessivar
