#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Desktop/ApplicationDelegate.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Tessivar/AppWindows.h"
#include "Tessivar/HotkeyRegistry.h"
#include "Tessivar/StatusMenu/StatusMenuModel.h"

namespace platform {
class Desktop;
class MainQueue;
class UserDefaults;
}  // namespace platform

namespace tessivar {

class AnalyticsTracker;
class CursorHidingEpisode;
class JumpEngine;

// What TessivarApp works with. The references outlive the application object;
// the optional services may be absent, and then their launch steps do nothing.
struct TessivarEnvironment {
    platform::UserDefaults& defaults;
    platform::NotificationCenter& notifications;
    platform::MainQueue& mainQueue;
    platform::Desktop& desktop;
    JumpEngine& jumps;
    CursorHidingEpisode& cursorHiding;
    AnalyticsTracker& analytics;
    std::function<void()> terminate;  // asks the application object to quit
    HotkeyRegistry* hotkeys = nullptr;
    StatusMenu* statusMenu = nullptr;
    AppWindows* windows = nullptr;
    // What the first jump needs ready but no step of the launch uses (the
    // connections that warp, hide and picture the pointer): done once the
    // launch has been told, in the same turn of the event loop.
    std::function<void()> prepareAfterLaunch;
};

// The application delegate: launches and ends the program, routes the status
// menu's actions and the display hot keys to the jump engine and the windows,
// and keeps the menu in step with shortcuts and displays. Main thread only.
class TessivarApp : public platform::ApplicationDelegate,
                    public AppActions,
                    public std::enable_shared_from_this<TessivarApp> {
public:
    static std::shared_ptr<TessivarApp> create(TessivarEnvironment environment);

    void applicationDidFinishLaunching() override;
    void applicationWillTerminate() override;
    // What a status menu entry asks for; the entry's tag is its screen index.
    void handleMenuAction(MenuAction action, int tag);

    bool jumpToNextScreen() override;
    void openHotKeySettings() override;

private:
    explicit TessivarApp(TessivarEnvironment environment);

    void registerHotkeyHandlers();
    void handleScreenHotkey(int index);
    void rebuildStatusMenu();
    void jumpToOtherScreen();
    void jumpToSpecificScreen(int tag);
    void showOnboarding();
    void quitApp();
    int screenCount() const;
    std::vector<std::string> displayDescriptions() const;
    void logDisplays(std::vector<std::string> lines);
    void screensDidChange();

    TessivarEnvironment env_;
    platform::ObserverTokenPtr shortcutObserver_;
    std::vector<std::string> loggedDisplays_;  // the display list as last logged
};

}  // namespace tessivar
