#pragma once
#include <optional>

#include "Tessivar/Onboarding/Private/OnboardingPage.h"

class QLabel;
class QPushButton;

namespace tessivar {

// Step 2: the default shortcut on two key caps, a button that tries a jump
// with a line that says when it worked, and a way to the shortcut settings.
class JumpTestPage : public OnboardingPage {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "录制并测试快捷键";
    static constexpr const char* kText =
        "默认情况下，您可以使用 ⌥ + "
        "数字键（1-8）直接跳转到对应的屏幕。\n您随时可以在设置面板中重新录制和自定义快捷键。";
    static constexpr const char* kCaption = "跳转测试与快捷键配置";
    static constexpr const char* kTestButton = "立即测试跳转";
    static constexpr const char* kSettingsButton = "打开快捷键设置";
    static constexpr const char* kHintEmoji = "💡";
    static constexpr const char* kHint = "💡 点击左侧测试光标跳转，或点击右侧配置专属快捷键";
    static constexpr const char* kSuccess = "✓ 光标已瞬间跳转至目标中心并播放定位特效";

    JumpTestPage(OnboardingView& view, const OnboardingAppearance& look, QWidget* parent = nullptr);

    void render() override;
    QPushButton* testButton() const { return testButton_; }
    QPushButton* settingsButton() const { return settingsButton_; }
    QLabel* statusLine() const { return status_; }

private:
    QWidget* keyCaps() const;
    QWidget* testCard();
    QWidget* statusRow();
    // The hint as the line shows it: without its emoji where that is drawn instead.
    QString hintText() const;

    QPushButton* testButton_ = nullptr;
    QPushButton* settingsButton_ = nullptr;
    QWidget* statusRow_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* hintSymbol_ = nullptr;
    bool drawsHintEmoji_ = true;
    Entrance* statusEntrance_ = nullptr;
    std::optional<bool> shownSuccess_;
};

}  // namespace tessivar
