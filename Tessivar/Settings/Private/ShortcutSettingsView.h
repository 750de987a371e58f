#pragma once
#include <QWidget>

class QScrollArea;

#include <vector>

#include "Tessivar/Settings/SettingsEnvironment.h"

namespace tessivar {

struct ShortcutRow;

// The Shortcuts pane: a recorder for each connected display (up to eight), as
// the displays were when the pane was made or the window was last shown.
class ShortcutSettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kSectionHeader = "屏幕跳转快捷键";
    static constexpr const char* kFooter = "点击录制框，然后按下组合键。会自动避免与其他软件快捷键发生冲突。";
    static constexpr int kRecorderWidth = 180;

    ShortcutSettingsView(const SettingsEnvironment& environment, QWidget* parent = nullptr);

    const std::vector<hotkeys::RecorderCocoa*>& recorders() const { return recorders_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildRows();
    QWidget* makeRow(const ShortcutRow& row, const SettingsEnvironment& environment);
    QWidget* makeFooter();

    SettingsEnvironment environment_;
    QScrollArea* scroll_ = nullptr;
    std::vector<hotkeys::RecorderCocoa*> recorders_;
    bool shownBefore_ = false;
};

}  // namespace tessivar
