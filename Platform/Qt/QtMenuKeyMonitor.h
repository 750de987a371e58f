#pragma once
#include <QObject>

#include <map>
#include <optional>

#include "Platform/HotKeys/MenuKeyMonitor.h"

class QKeyEvent;

namespace platform {

class NativeKeyTranslator;

// Sees the key events Qt delivers to the application's open menus (QMenu
// popups hold the keyboard while open, so the hot-key grabs stay silent) and
// hands them to the callback as raw key events with Carbon key code and
// modifiers (through the window system's key translator), a held key as one
// press and one release. Qt tries no shortcuts while a popup is open, so
// the presses all reach the menu itself.
class QtMenuKeyMonitor : public QObject, public MenuKeyMonitor {
    Q_OBJECT
public:
    // The translator must outlive the monitor.
    explicit QtMenuKeyMonitor(NativeKeyTranslator& keys, QObject* parent = nullptr);
    ~QtMenuKeyMonitor() override;

    void setCallback(Callback callback) override;
    void start() override;
    void stop() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A key the menu has seen go down: the callback's answer to the press
    // stands for the key's repeats, and for its release when that was
    // reported already.
    struct HeldKey {
        bool consumed = false;
        bool releaseReported = false;
    };
    struct Release {
        quint32 scanCode = 0;
        quint64 timestamp = 0;
        bool pressConsumed = false;
    };

    bool answerPress(const QKeyEvent& event);
    bool answerRelease(const QKeyEvent& event);
    bool ask(std::uint32_t kind, const QKeyEvent& event) const;

    NativeKeyTranslator& keys_;
    Callback callback_;
    bool running_ = false;
    std::map<quint32, HeldKey> heldKeys_;
    std::optional<Release> lastRelease_;
};

}  // namespace platform
