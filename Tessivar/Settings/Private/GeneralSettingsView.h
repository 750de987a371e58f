#pragma once
#include <QWidget>

#include "Tessivar/Settings/Private/GeneralSettingsModel.h"

class QCheckBox;
class QComboBox;

namespace tessivar {

// The General pane: launch at login, position memory and the locating effect.
// It shows its model and hands every change to it; made anew each time the
// pane is chosen, it reads the login item when it comes on screen.
class GeneralSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "跳转后短暂放大光标，帮助确认位置。";

    GeneralSettingsView(platform::UserDefaults& defaults, platform::LoginItem& loginItem, QWidget* parent = nullptr);

    QCheckBox* launchAtLoginToggle() const { return launchAtLogin_; }
    QCheckBox* rememberPositionToggle() const { return rememberPosition_; }
    QComboBox* effectPicker() const { return effect_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render();

    GeneralSettingsModel model_;
    QCheckBox* launchAtLogin_ = nullptr;
    QCheckBox* rememberPosition_ = nullptr;
    QComboBox* effect_ = nullptr;
};

}  // namespace tessivar
