#include "Tessivar/TessivarApp.h"

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Registry.h"
#include "Platform/Desktop/Desktop.h"
#include "Platform/Foundation/MainQueue.h"
#include "Platform/Foundation/NumberFormat.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Tessivar/AnalyticsTracker.h"
#include "Tessivar/AppDefaults.h"
#include "Tessivar/AppLog.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/JumpEngine.h"
#include "Tessivar/ScreenJumpNames.h"

namespace tessivar {

namespace {
constexpr double kOnboardingDelaySeconds = 0.3;

std::string describeScreen(std::size_t index, const platform::Screen& screen) {
    const auto& frame = screen.frame;
    return "🖥️ 屏幕 " + std::to_string(index + 1) + ": " + screen.localizedName + " (" +
           platform::formatDouble(frame.minX()) + ", " + platform::formatDouble(frame.minY()) + ", " +
           platform::formatDouble(frame.size.width) + " × " + platform::formatDouble(frame.size.height) + ", 缩放 " +
           platform::formatDouble(screen.backingScaleFactor) + ")";
}
}  // namespace

std::shared_ptr<TessivarApp> TessivarApp::create(TessivarEnvironment environment) {
    return std::shared_ptr<TessivarApp>(new TessivarApp(std::move(environment)));
}

TessivarApp::TessivarApp(TessivarEnvironment environment) : env_(std::move(environment)) {}

void TessivarApp::applicationDidFinishLaunching() {
    // X11 lets any client hide the pointer whether or not it is active, so the
    // background-cursor permission that other window systems need has no step here.
    registerHotkeyHandlers();
    if (env_.statusMenu) env_.statusMenu->show();
    std::weak_ptr<TessivarApp> weak = weak_from_this();
    shortcutObserver_ = env_.notifications.addObserver(hotkeys::kShortcutByNameDidChange, &env_.mainQueue,
                                                       [weak](const platform::Notification&) {
                                                           if (auto self = weak.lock()) self->rebuildStatusMenu();
                                                       });
    appLog("\n✅ Tessivar 已启动");
    appLog("⌨️ 使用全局快捷键快速跳转屏幕\n");
    // The menu (theme icons, display names, shortcut labels) took longer than
    // the rest of the launch together, and no click can reach it before this
    // function returns: it is built once the launch has been told.
    rebuildStatusMenu();
    if (env_.prepareAfterLaunch) env_.prepareAfterLaunch();
    logDisplays(displayDescriptions());
    env_.desktop.setScreensChangedHandler([weak] {
        if (auto self = weak.lock()) self->screensDidChange();
    });

    env_.analytics.configure();
    env_.analytics.trackAppOpened();

    if (env_.defaults.boolValue(AppDefaults::hasCompletedOnboarding)) return;
    env_.mainQueue.asyncAfter(kOnboardingDelaySeconds, [weak] {
        if (auto self = weak.lock()) self->showOnboarding();
    });
}

std::vector<std::string> TessivarApp::displayDescriptions() const {
    const auto screens = env_.desktop.screens();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < screens.size(); ++i) lines.push_back(describeScreen(i, screens[i]));
    return lines;
}

void TessivarApp::logDisplays(std::vector<std::string> lines) {
    for (const auto& line : lines) appLog(line);
    loggedDisplays_ = std::move(lines);
}

// Display numbers, the menu's entries and their tags all follow the current
// displays; a burst of changes that ends where it began changes nothing.
void TessivarApp::screensDidChange() {
    auto lines = displayDescriptions();
    if (lines == loggedDisplays_) return;
    appLog("🔄 显示器已变化，当前屏幕：");
    logDisplays(std::move(lines));
    rebuildStatusMenu();
}

void TessivarApp::applicationWillTerminate() {
    env_.cursorHiding.restore();
    env_.analytics.trackAppQuit();
}

void TessivarApp::registerHotkeyHandlers() {
    if (!env_.hotkeys) return;
    std::weak_ptr<TessivarApp> weak = weak_from_this();
    const auto& names = screenJumpNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int index = static_cast<int>(i);
        env_.hotkeys->onKeyDown(names[i], [weak, index] {
            if (auto self = weak.lock()) self->handleScreenHotkey(index);
        });
    }
    appLog("✓ Hotkeys 监听已启动");
}

int TessivarApp::screenCount() const { return static_cast<int>(env_.desktop.screens().size()); }

// Each jump is counted, also one that fails, as of the moment it was asked for;
// the pointer moves first, so the press never waits for analytics.
void TessivarApp::handleScreenHotkey(int index) {
    const auto triggeredAt = std::chrono::system_clock::now();
    env_.jumps.jumpToScreen(index);
    env_.analytics.trackJump("hotkey", screenCount(), triggeredAt);
}

void TessivarApp::jumpToOtherScreen() {
    const auto triggeredAt = std::chrono::system_clock::now();
    const bool jumped = env_.jumps.jumpToNextScreen();
    env_.analytics.trackJump("menu", screenCount(), triggeredAt);
    if (jumped) return;
    appLog(
        "⚠️ "
        "瞬间移动失败：请确保连接了多个显示器。已自动静默处理，避免打扰用户。");
}

void TessivarApp::jumpToSpecificScreen(int tag) {
    const auto triggeredAt = std::chrono::system_clock::now();
    const bool jumped = env_.jumps.jumpToScreen(tag);
    env_.analytics.trackJump("menu", screenCount(), triggeredAt);
    if (jumped) return;
    appLog("⚠️ 无法跳转到屏幕 " + std::to_string(static_cast<long long>(tag) + 1) + "。已自动静默处理。");
}

void HotkeysFacadeRegistry::onKeyDown(const hotkeys::Name& name, std::function<void()> action) {
    registry_.onKeyDown(name, std::move(action));
}

void TessivarApp::handleMenuAction(MenuAction action, int tag) {
    switch (action) {
    case MenuAction::jumpToOtherScreen: return jumpToOtherScreen();
    case MenuAction::jumpToSpecificScreen: return jumpToSpecificScreen(tag);
    case MenuAction::showOnboarding: return showOnboarding();
    case MenuAction::openHotKeySettings: return openHotKeySettings();
    case MenuAction::quitApp: return quitApp();
    case MenuAction::none: return;
    }
}

void TessivarApp::rebuildStatusMenu() {
    if (env_.statusMenu) env_.statusMenu->rebuild();
}

// The onboarding's test jump: tried, not counted.
bool TessivarApp::jumpToNextScreen() { return env_.jumps.jumpToNextScreen(); }

void TessivarApp::openHotKeySettings() {
    env_.analytics.trackSettingsOpened();
    if (env_.windows) env_.windows->showSettings();
}

void TessivarApp::showOnboarding() {
    if (env_.windows) env_.windows->showOnboarding(weak_from_this());
}

void TessivarApp::quitApp() {
    if (env_.terminate) env_.terminate();
}

}  // namespace tessivar
