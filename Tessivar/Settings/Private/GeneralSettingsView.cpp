#include "Tessivar/Settings/Private/GeneralSettingsView.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>

#include "Tessivar/Settings/Private/SettingsStyle.h"

namespace tessivar {

using SettingsStyle::text;

GeneralSettingsView::GeneralSettingsView(platform::UserDefaults& defaults, platform::LoginItem& loginItem,
                                         QWidget* parent)
    : QWidget(parent), model_(defaults, loginItem) {
    auto* layout = SettingsStyle::paneLayout(this);

    auto* general = SettingsStyle::section("通用设置", this);
    launchAtLogin_ = new QCheckBox(text("登录时自动启动"));
    rememberPosition_ = new QCheckBox(text("记住各屏幕光标位置"));
    general->layout()->addWidget(launchAtLogin_);
    general->layout()->addWidget(rememberPosition_);
    layout->addWidget(general);

    auto* effects = SettingsStyle::section("视觉效果", this);
    auto* pickerRow = new QHBoxLayout;
    pickerRow->addWidget(new QLabel(text("定位动效样式")));
    pickerRow->addStretch();
    effect_ = new QComboBox;
    for (const auto& choice : GeneralSettingsModel::kEffectChoices) {
        effect_->addItem(text(choice.title), text(choice.tag));
    }
    pickerRow->addWidget(effect_);
    static_cast<QBoxLayout*>(effects->layout())->addLayout(pickerRow);
    effects->layout()->addWidget(SettingsStyle::label(text(kCaption), 11, 0, true));
    layout->addWidget(effects);
    layout->addStretch();

    // The launch switch shows what the login item reports afterwards, not the click.
    connect(launchAtLogin_, &QCheckBox::clicked, this, [this](bool on) {
        model_.setLaunchAtLogin(on);
        render();
    });
    connect(rememberPosition_, &QCheckBox::clicked, this, [this](bool on) {
        model_.setRememberLastPosition(on);
        render();
    });
    connect(effect_, &QComboBox::activated, this, [this](int index) {
        model_.setVisualEffectType(effect_->itemData(index).toString().toStdString());
        render();
    });
    render();
}

void GeneralSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.refreshLaunchAtLogin();
    render();
}

// A stored effect that is none of the choices leaves the picker without one.
void GeneralSettingsView::render() {
    const QSignalBlocker blockLaunch(launchAtLogin_);
    const QSignalBlocker blockRemember(rememberPosition_);
    launchAtLogin_->setChecked(model_.launchAtLogin());
    rememberPosition_->setChecked(model_.rememberLastPosition());
    effect_->setCurrentIndex(effect_->findData(QString::fromStdString(model_.visualEffectType())));
}

}  // namespace tessivar
