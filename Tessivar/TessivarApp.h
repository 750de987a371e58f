#pragma once
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Desktop/ApplicationDelegate.h"
#include "Platform/Desktop/Geometry.h"
#include "Platform/Desktop/Screen.h"
#include "Platform/Foundation/NotificationCenter.h"
#include "Tessivar/StatusMenuModel.h"

namespace platform {
class CursorHider;
class Desktop;
class MainQueue;
class OverlayWindow;
class RepeatingTimer;
class UserDefaults;
class WorkItem;
}  // namespace platform

namespace tessivar {

class AnalyticsTracker;
class AppWindows;
class HotkeyRegistry;
class OverlayPresenter;
class StatusMenu;

// What TessivarApp works with. The references outlive the application object;
// the optional services may be absent, and then their launch steps do nothing.
struct TessivarEnvironment {
    platform::UserDefaults& defaults;
    platform::NotificationCenter& notifications;
    platform::MainQueue& mainQueue;
    platform::Desktop& desktop;
    platform::CursorHider& cursorHider;
    OverlayPresenter& overlays;
    AnalyticsTracker& analytics;
    std::function<void()> terminate;  // asks the application object to quit
    HotkeyRegistry* hotkeys = nullptr;
    StatusMenu* statusMenu = nullptr;
    AppWindows* windows = nullptr;
};

// The application delegate and single owner of the application's state: the
// displays with a hidden pointer, the pending pointer restore and the remembered
// pointer position per display. Everything runs on the main thread.
class TessivarApp : public platform::ApplicationDelegate, public std::enable_shared_from_this<TessivarApp> {
public:
    static std::shared_ptr<TessivarApp> create(TessivarEnvironment environment);

    // Lifecycle.
    void applicationDidFinishLaunching() override;
    void applicationWillTerminate() override;
    void registerHotkeyHandlers();
    void rebuildStatusMenu();
    void openHotKeySettings();
    void showOnboarding();
    void quitApp();
    // What a status menu entry asks for; the entry's tag is its screen index.
    void handleMenuAction(MenuAction action, int tag);

    // Jumps. Each answers whether the pointer moved.
    void recordCurrentPosition();
    bool jumpToNextScreen();
    bool jumpToScreen(int index);
    void jumpToOtherScreen();
    void jumpToSpecificScreen(int tag);

    // Hardware pointer hiding around the cursor-scale effect.
    void hideHardwareCursor();
    void scheduleCursorRestore(double delaySeconds);
    void restoreHardwareCursor();

    // Plays the configured locating effect centred on a global point.
    void showLocatingEffect(int screenIndex, platform::Point globalPoint);

    bool isLocatingEffectEnabled() const;
    bool isCursorScaleEffect() const;
    bool rememberLastPosition() const;

    const std::vector<platform::DisplayID>& hiddenCursorDisplayIDs() const { return hiddenCursorDisplayIDs_; }
    const std::map<platform::DisplayID, platform::Point>& lastCoordinates() const { return lastCoordinates_; }

private:
    explicit TessivarApp(TessivarEnvironment environment);

    void handleScreenHotkey(int index);
    std::vector<std::string> displayDescriptions() const;
    void logDisplays(std::vector<std::string> lines);
    void screensDidChange();
    void recordCurrentPosition(const std::vector<platform::Screen>& screens);
    // The remembered point for a display, or its centre; logs a restore.
    platform::Point landingPoint(const platform::Screen& screen, platform::DisplayID display);
    std::vector<platform::DisplayID> allDisplayIDs() const;
    void startFollowingPointer(const std::shared_ptr<platform::OverlayWindow>& window,
                               const std::shared_ptr<std::shared_ptr<platform::RepeatingTimer>>& holder);
    static void log(const std::string& message);

    TessivarEnvironment env_;
    std::vector<platform::DisplayID> hiddenCursorDisplayIDs_;
    std::shared_ptr<platform::WorkItem> cursorRestoreWorkItem_;
    std::map<platform::DisplayID, platform::Point> lastCoordinates_;
    platform::ObserverTokenPtr shortcutObserver_;
    std::vector<std::string> loggedDisplays_;  // the display list as last logged
};

// Index of the first screen whose frame holds a global point, if any.
std::optional<std::size_t> screenIndexContaining(const std::vector<platform::Screen>& screens, platform::Point point);

}  // namespace tessivar
