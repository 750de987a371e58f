#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Foundation/NotificationCenter.h"
#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/FakeCursorHider.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Platform/Testing/FakeOverlayWindow.h"
#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "Tessivar/AnalyticsTracker.h"
#include "Tessivar/AppWindows.h"
#include "Tessivar/CursorHidingEpisode.h"
#include "Tessivar/Effects/LocatingEffectPlayer.h"
#include "Tessivar/Effects/OverlayPresenter.h"
#include "Tessivar/Effects/Private/EffectTimelines.h"
#include "Tessivar/HotkeyRegistry.h"
#include "Tessivar/JumpEngine.h"
#include "Tessivar/StatusMenu/StatusMenuModel.h"
#include "Tessivar/TessivarApp.h"

namespace tessivar::testing {

// Plays each effect as the view does on the virtual clock: from its first
// frame on the screen, which comes `firstFrameAfter` seconds after the jump
// (never when unset), to its last as long after as its timeline lasts, then
// says so.
struct RecordingPresenter : OverlayPresenter {
    explicit RecordingPresenter(platform::ManualMainQueue& clock) : queue(clock) {}

    struct Shown {
        platform::Rect frame;
        LocatingEffect effect;
        double backingScale;
        std::shared_ptr<platform::FakeOverlayWindow> window;
    };
    std::shared_ptr<platform::OverlayWindow> present(const platform::Rect& frame, LocatingEffect effect,
                                                     double backingScale, std::function<void()> played) override {
        auto window = std::make_shared<platform::FakeOverlayWindow>(frame);
        window->orderFront();
        shown.push_back({frame, effect, backingScale, window});
        if (firstFrameAfter) queue.asyncAfter(*firstFrameAfter + duration(effect), std::move(played));
        return window;
    }

    static double duration(LocatingEffect effect) {
        return effect == LocatingEffect::cursorScale ? CursorScaleTimeline::kDuration : RippleTimeline::kDuration;
    }

    platform::ManualMainQueue& queue;
    std::optional<double> firstFrameAfter = 0.0;
    std::vector<Shown> shown;
};

// Keeps the order of every call, together with the log, in one list.
struct RecordingTracker : AnalyticsTracker {
    void configure() override { calls.push_back("configure"); }
    void trackAppOpened() override { calls.push_back("app_opened"); }
    void trackJump(const std::string& trigger, int count, std::chrono::system_clock::time_point) override {
        calls.push_back("jump " + trigger + " " + std::to_string(count));
    }
    void trackSettingsOpened() override { calls.push_back("settings_opened"); }
    void trackAppQuit() override { calls.push_back("app_quit"); }
    std::vector<std::string> calls;
};

struct RecordingServices : HotkeyRegistry, StatusMenu, AppWindows {
    void onKeyDown(const hotkeys::Name& name, std::function<void()> action) override {
        names.push_back(name.rawValue);
        actions.push_back(std::move(action));
    }
    void show() override { ++shows; }
    void rebuild() override { ++rebuilds; }
    void showOnboarding(std::weak_ptr<AppActions> app) override {
        ++onboardings;
        onboardingApp = std::move(app);
    }
    void showSettings() override { ++settings; }

    std::vector<std::string> names;
    std::vector<std::function<void()>> actions;
    int shows = 0;
    int rebuilds = 0;
    int onboardings = 0;
    std::weak_ptr<AppActions> onboardingApp;  // what the last onboarding was given
    int settings = 0;
};

// The jump engine, its helpers and a TessivarApp wired to fakes: two 1920 x
// 1080 displays side by side (ids 11 and 22) unless a test sets other screens.
struct AppHarness {
    AppHarness();

    void useScreens(std::vector<platform::Screen> screens) { desktop.screenList = std::move(screens); }
    void setEffect(const std::string& type) { defaults.set("visualEffectType", type); }
    std::vector<std::string> logLines() const { return logs.lines(); }
    bool logged(const std::string& message) const { return logs.contains("[Tessivar] " + message); }
    // How many of the lines logged so far hold `text`.
    long countLogged(const std::string& text) const;

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults;
    platform::NotificationCenter notifications;
    platform::ManualMainQueue queue;
    platform::FakeDesktop desktop;
    platform::FakeCursorHider hider;
    RecordingPresenter overlays{queue};
    RecordingTracker analytics;
    RecordingServices services;
    platform::LogCapture logs;
    int terminations = 0;
    long launchLinesAtPrepare = -1;  // -1: the after-launch preparation never ran
    CursorHidingEpisode cursorHiding;
    LocatingEffectPlayer effects;
    JumpEngine jumps;
    std::shared_ptr<TessivarApp> app;
};

}  // namespace tessivar::testing
