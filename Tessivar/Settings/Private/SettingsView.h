#pragma once
#include <QWidget>

#include "Platform/Foundation/NotificationCenter.h"
#include "Tessivar/AppWindows.h"
#include "Tessivar/Settings/Private/PaneHistory.h"
#include "Tessivar/Settings/SettingsEnvironment.h"

class QListWidget;
class QToolButton;
class QVBoxLayout;

namespace tessivar {

class LockedSplitter;

// The settings window's content: a fixed sidebar of the three panes beside the
// chosen pane, with back and forward buttons over it. It renders its pane
// history and forwards the sidebar, the buttons and kSelectShortcutsPane to it.
class SettingsView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 620;
    static constexpr int kHeight = 400;
    static constexpr int kSidebarWidth = 188;

    explicit SettingsView(SettingsEnvironment environment, QWidget* parent = nullptr);

    const PaneHistory& history() const { return history_; }
    QListWidget* sidebar() const { return sidebar_; }
    QToolButton* backButton() const { return back_; }
    QToolButton* forwardButton() const { return forward_; }
    LockedSplitter* splitter() const { return splitter_; }
    // The pane on show.
    QWidget* pane() const { return pane_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeSidebar();
    QWidget* makeDetail();
    QWidget* makePane(SettingsPane pane);
    void navigate(SettingsPane pane);
    void render();

    SettingsEnvironment environment_;
    PaneHistory history_;
    LockedSplitter* splitter_ = nullptr;
    QListWidget* sidebar_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QVBoxLayout* detailLayout_ = nullptr;
    QWidget* pane_ = nullptr;
    std::optional<SettingsPane> shownPane_;
    platform::ObserverTokenPtr selectShortcutsObserver_;
};

}  // namespace tessivar
