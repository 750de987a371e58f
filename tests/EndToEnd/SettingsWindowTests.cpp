// The settings window of the real program on the test X server, driven as a
// person would: the tray menu opens it, the keyboard records a shortcut.
#include <gtest/gtest.h>

#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include <X11/X.h>

#include <nlohmann/json.hpp>

#include "tests/EndToEnd/Screenshots.h"
#include "tests/EndToEnd/TwoDisplayDesktop.h"
#include "tests/Platform/X11/HotKeys/CompetingClient.h"
#include "tests/support/DesktopCommands.h"
#include "tests/support/OpenboxSession.h"
#include "tests/support/SystemTrayPanel.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11ScreenProbe.h"
#include "tests/support/XTestKeyboard.h"
#include "tests/support/XTestPointer.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::ScreenGrab;
using tessivar::testing::waitUntil;
using tessivar::testing::WindowFacts;

namespace {

constexpr const char* kOurClass = "tessivar";

std::optional<WindowFacts> find(const tessivar::testing::X11WindowTree& tree,
                                const std::function<bool(const WindowFacts&)>& wanted) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.className == kOurClass && wanted(window)) return window;
    }
    return std::nullopt;
}

// The icon trayer holds: inside another program's window, small. Under a
// window manager trayer sits in a frame of its own.
std::optional<WindowFacts> dockedIcon(const tessivar::testing::X11WindowTree& tree) {
    return find(tree, [](const WindowFacts& w) {
        return !w.topLevel && w.width > 8 && w.width < 64 && w.height > 8 && w.height < 64;
    });
}

bool menuIsOpen(const tessivar::testing::X11WindowTree& tree) {
    return find(tree, [](const WindowFacts& w) { return w.topLevel && w.overrideRedirect; }).has_value();
}

// At `scale` device pixels to the point.
std::optional<WindowFacts> settingsWindow(const tessivar::testing::X11WindowTree& tree, int scale = 1) {
    return find(tree, [scale](const WindowFacts& w) {
        return !w.overrideRedirect && w.width == 620 * scale && w.height == 400 * scale;
    });
}

std::string storedShortcut(const tessivar::testing::TessivarProcess& tessivar, const char* name) {
    std::ifstream file(tessivar.settingsFolder() / "defaults.json");
    std::stringstream text;
    text << file.rdbuf();
    const auto settings = nlohmann::json::parse(text.str(), nullptr, false);
    if (!settings.is_object() || !settings.contains(name) || !settings[name].is_string()) return {};
    return settings[name].get<std::string>();
}

struct SettingsWindowProgram : tessivar::testing::TwoDisplayDesktop {
    bool key(const std::string& keys) const { return session->xdotool("key " + keys).succeeded(); }

    // "设置..." from the tray menu; the window once it is viewable. The item
    // sits second from the bottom, above "退出". A menu that is mapped may not
    // hold the keyboard yet on a loaded machine, so keys typed at once can be
    // lost: then the menu is opened again.
    std::optional<WindowFacts> openSettings(const WindowFacts& icon) const {
        std::optional<WindowFacts> window;
        for (int attempt = 0; attempt < 3 && !window; ++attempt) {
            if (!session
                     ->xdotool("mousemove " + std::to_string(icon.x + icon.width / 2) + " " +
                               std::to_string(icon.y + icon.height / 2) + " click 1")
                     .succeeded()) {
                return std::nullopt;
            }
            if (!waitUntil([&] { return menuIsOpen(*tree); }, 5s)) continue;
            if (!key("Up Up Return")) return std::nullopt;
            if (waitUntil([&] { return (window = shownSettingsWindow()).has_value(); }, 3s)) break;
            if (menuIsOpen(*tree)) key("Escape");
            waitUntil([&] { return !menuIsOpen(*tree); }, 2s);
        }
        return window;
    }

    int scale = 1;

    // The settings window as it shows: by its size, unless told otherwise.
    virtual std::optional<WindowFacts> shownSettingsWindow() const { return settingsWindow(*tree, scale); }

    // The window X gives the keyboard to, by xdotool's number for it.
    std::string focusedWindow() const {
        auto focus = session->xdotool("getwindowfocus").output;
        while (!focus.empty() && (focus.back() == '\n' || focus.back() == ' ')) focus.pop_back();
        return focus;
    }
};

// The layout changes to German while the recorder records: the recorder takes
// the physical key, the one that types "z" there (where US keyboards have "y").
TEST_F(SettingsWindowProgram, ANewShortcutRecordedForDisplay2JumpsThereAndTheOldOneNoLongerDoes) {
    tessivar::testing::SystemTrayPanel tray(server.displayName());
    ASSERT_EQ(tray.start(), std::nullopt);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    std::optional<WindowFacts> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = dockedIcon(*tree)).has_value(); }, 15s));
    ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
    ASSERT_EQ(storedShortcut(tessivar, "Hotkeys_jumpToScreen2"), R"({"carbonKeyCode":19,"carbonModifiers":2048})");

    const std::optional<WindowFacts> window = openSettings(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window";
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() == std::to_string(window->id); }, 5s))
        << "the settings window never got the keyboard";

    // The sidebar has the focus: Down chooses 快捷键; Tab enters display 1's
    // recorder, and Tab again moves on to display 2's, which then records.
    ASSERT_TRUE(key("Down"));
    ASSERT_TRUE(key("Tab"));
    ASSERT_TRUE(key("Tab"));
    ASSERT_EQ(session->start({"setxkbmap", "de"})->waitFor(5s), 0) << "setxkbmap (x11-xkb-utils)";
    ASSERT_TRUE(key("ctrl+alt+z"));
    EXPECT_TRUE(waitUntil(
        [&] {
            return storedShortcut(tessivar, "Hotkeys_jumpToScreen2") ==
                   R"({"carbonKeyCode":16,"carbonModifiers":6144})";
        },
        5s))
        << "stored: " << storedShortcut(tessivar, "Hotkeys_jumpToScreen2");
    EXPECT_EQ(storedShortcut(tessivar, "Hotkeys_jumpToScreen1"), R"({"carbonKeyCode":18,"carbonModifiers":2048})");

    ASSERT_TRUE(observer->warpPointer({300, 200}));
    ASSERT_TRUE(key("ctrl+alt+z"));
    EXPECT_TRUE(waitUntil(
        [&] {
            return observer->pointer() == PointerPosition{2880, 540};
        },
        5s))
        << "the new shortcut did not reach display 2";

    // In order: the old shortcut first, then one that still jumps. Once the
    // second has jumped, the first has had its turn.
    const long jumpsToDisplay2 = tessivar.countLines("🎯 瞬间移动到屏幕 1:");
    ASSERT_TRUE(key("alt+2"));
    ASSERT_TRUE(key("alt+1"));
    EXPECT_TRUE(tessivar.waitForLine("🎯 瞬间移动到屏幕 0:", 5s));
    EXPECT_EQ(tessivar.countLines("🎯 瞬间移动到屏幕 1:"), jumpsToDisplay2) << "Alt+2 still jumps";
    EXPECT_EQ(tessivar.terminate(), 0);
}

// A shortcut field as the screen shows it: the white box of the Shortcuts
// pane, in root coordinates.
struct FieldFrame {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    PointerPosition centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
};

// The fields of the window's right half, top to bottom: rows with a long run
// of white there belong to a field (text and the clear button break the run,
// the background around them is gray).
std::vector<FieldFrame> fieldFrames(const ScreenGrab& window) {
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    constexpr int kWhiteInRow = 100;
    std::vector<FieldFrame> fields;
    bool inField = false;
    for (int row = 0; row < window.height; ++row) {
        int count = 0, left = window.width, right = -1;
        for (int column = window.width / 2; column < window.width; ++column) {
            if (window.pixels[static_cast<std::size_t>(row * window.width + column)] != kWhite) continue;
            ++count;
            left = std::min(left, column);
            right = std::max(right, column);
        }
        const bool fieldRow = count >= kWhiteInRow;
        if (fieldRow && !inField) fields.push_back({window.x + left, window.y + row, window.x + right, window.y + row});
        if (fieldRow) fields.back().bottom = window.y + row;
        inField = fieldRow;
    }
    return fields;
}

// The settings window of the real program under a window manager (openbox,
// four desktops), clicked with presses held as long as people hold them.
struct ManagedSettingsWindow : SettingsWindowProgram {
    void SetUp() override {
        SettingsWindowProgram::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        arrangeDisplays();
        if (HasFatalFailure()) return;
        manager.emplace(server.displayName());
        ASSERT_EQ(manager->start(), std::nullopt) << "openbox (scripts/install-deps.sh)";
        pointer.emplace(server.displayName());
        probe.emplace(server.displayName());
        ASSERT_TRUE(pointer->isReady());
        tray.emplace(server.displayName());
        ASSERT_EQ(tray->start(), std::nullopt);
    }

    // Before the window manager and the panel start.
    virtual void arrangeDisplays() {}

    // Launches the program, and answers its tray icon once it is docked and the hot keys listen.
    std::optional<WindowFacts> launch(const std::string& defaults = {}) {
        tessivar.emplace(TESSIVAR_BINARY, server.displayName(), defaults);
        std::optional<WindowFacts> icon;
        if (!waitUntil([&] { return (icon = dockedIcon(*tree)).has_value(); }, 15s)) return std::nullopt;
        if (!tessivar->waitForLine("✓ Hotkeys 监听已启动", 15s)) return std::nullopt;
        return icon;
    }

    // Opens the window on the Shortcuts pane (the sidebar has the keyboard).
    std::optional<WindowFacts> openShortcutsPane(const WindowFacts& icon) {
        auto window = openSettings(icon);
        if (!window) return std::nullopt;
        if (!waitUntil([&] { return focusedWindow() == std::to_string(window->id); }, 5s)) return std::nullopt;
        if (!key("Down")) return std::nullopt;
        return window;
    }

    std::vector<FieldFrame> fields(const WindowFacts& window) const {
        std::vector<FieldFrame> found;
        waitUntil(
            [&] {
                return !(found = fieldFrames(probe->grab(window.x, window.y, window.width, window.height))).empty();
            },
            5s);
        return found;
    }

    PointerPosition windowOrigin() const {
        const auto window = settingsWindow(*tree);
        return window ? PointerPosition{window->x, window->y} : PointerPosition{-1, -1};
    }

    // Whether the window leaves `origin` within a while: the pointer moves on
    // meanwhile, as a hand does after a click.
    bool windowMovesAwayFrom(PointerPosition origin, PointerPosition pointerTo) {
        pointer->moveTo(pointerTo.x, pointerTo.y);
        return waitUntil([&] { return windowOrigin() != origin; }, 1500ms);
    }

    // A top-level window of ours besides the settings window: the alert.
    std::optional<WindowFacts> conflictAlert() const {
        return ::find(*tree, [](const WindowFacts& w) {
            return !w.overrideRedirect && w.width > 200 && w.height > 80 && !(w.width == 620 && w.height == 400);
        });
    }

    // Clicks into a field and waits until it shows that it records (drawn with
    // the focus, which starts the recording): by then the program holds the
    // keyboard, so the next combination is the field's, whoever else holds it.
    bool clickToRecord(const FieldFrame& field) {
        constexpr int kFrame = 4;  // the focus frame around the white box
        const auto picture = [&] {
            return probe
                ->grab(field.left - kFrame, field.top - kFrame, field.right - field.left + 2 * kFrame,
                       field.bottom - field.top + 2 * kFrame)
                .pixels;
        };
        const auto before = picture();
        pointer->click(field.centre().x, field.centre().y, 40ms);
        return waitUntil([&] { return picture() != before; }, 10s);
    }

    // Launches the program and records, in display 1's field, Ctrl+Alt+K,
    // which another program holds: the alert that asks what to do.
    std::optional<WindowFacts> openConflictAlert() {
        competing.emplace(server.displayName());
        if (competing->grab("k", ControlMask | Mod1Mask) != 0) return std::nullopt;
        const auto icon = launch();
        if (!icon) return std::nullopt;
        const auto window = openShortcutsPane(*icon);
        if (!window) return std::nullopt;
        const auto frames = fields(*window);
        if (frames.empty()) return std::nullopt;
        if (!clickToRecord(frames[0]) || !key("ctrl+alt+k")) return std::nullopt;
        std::optional<WindowFacts> alert;
        waitUntil([&] { return (alert = conflictAlert()).has_value(); }, 5s);
        return alert;
    }

    // The title the window manager shows for a window.
    std::string windowName(unsigned long window) const {
        auto name = session->xdotool("getwindowname " + std::to_string(window)).output;
        while (!name.empty() && name.back() == '\n') name.pop_back();
        return name;
    }

    std::optional<tessivar::testing::CompetingClient> competing;
    std::optional<tessivar::testing::OpenboxSession> manager;
    std::optional<tessivar::testing::XTestPointer> pointer;
    std::optional<tessivar::testing::X11ScreenProbe> probe;
    std::optional<tessivar::testing::SystemTrayPanel> tray;
    std::optional<tessivar::testing::TessivarProcess> tessivar;
};

// Ctrl+Alt and a digit as stored: Carbon's code of the digit key, Control and Option.
std::string controlOption(int carbonKeyCode) {
    return R"({"carbonKeyCode":)" + std::to_string(carbonKeyCode) + R"(,"carbonModifiers":6144})";
}

// Whatever the hold, a click into the field records: the next combination is
// stored. A release a little outside the field still belongs to it, and a
// drag that starts in the field never moves the window.
TEST_F(ManagedSettingsWindow, AClickIntoAShortcutFieldRecordsWhateverTheHoldAndNeverMovesTheWindow) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the program did not dock or listen";
    const auto window = openShortcutsPane(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window with the keyboard";
    const auto frames = fields(*window);
    ASSERT_EQ(frames.size(), 2u) << "a field per display";
    const FieldFrame field = frames[0];
    const PointerPosition origin = windowOrigin();

    const struct {
        std::chrono::milliseconds hold;
        const char* digit;
        int carbonKeyCode;
    } clicks[] = {{0ms, "7", 26}, {40ms, "8", 28}, {200ms, "9", 25}};
    for (const auto& click : clicks) {
        pointer->click(field.centre().x, field.centre().y, click.hold);
        ASSERT_TRUE(key(std::string("ctrl+alt+") + click.digit));
        EXPECT_TRUE(waitUntil(
            [&] { return storedShortcut(*tessivar, "Hotkeys_jumpToScreen1") == controlOption(click.carbonKeyCode); },
            5s))
            << "held " << click.hold.count() << " ms: stored " << storedShortcut(*tessivar, "Hotkeys_jumpToScreen1");
        EXPECT_EQ(windowOrigin(), origin) << "held " << click.hold.count() << " ms";
    }

    pointer->moveTo(field.centre().x, field.centre().y);
    pointer->press();
    std::this_thread::sleep_for(40ms);
    pointer->moveTo(field.right + 2, field.centre().y);
    pointer->release();
    ASSERT_TRUE(key("ctrl+alt+6"));
    EXPECT_TRUE(waitUntil([&] { return storedShortcut(*tessivar, "Hotkeys_jumpToScreen1") == controlOption(22); }, 5s))
        << "released 2 px outside: stored " << storedShortcut(*tessivar, "Hotkeys_jumpToScreen1");

    pointer->drag(field.centre().x, field.centre().y, field.centre().x - 150, field.centre().y + 120, 40ms);
    EXPECT_FALSE(windowMovesAwayFrom(origin, {field.centre().x - 200, field.centre().y + 150}))
        << "a drag from the field moved the window";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// A click on the background, however short (a tap on a touchpad), leaves the
// window where it is; only dragging the background moves it.
TEST_F(ManagedSettingsWindow, AClickOnTheBackgroundLeavesTheWindowAndADragMovesIt) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the program did not dock or listen";
    const auto window = openShortcutsPane(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window with the keyboard";
    // Below the rows of the pane, above its footer: nothing but background.
    const PointerPosition background{window->x + 420, window->y + 260};
    const PointerPosition origin = windowOrigin();
    for (const auto hold : {0ms, 40ms, 200ms}) {
        pointer->click(background.x, background.y, hold);
        EXPECT_FALSE(windowMovesAwayFrom(origin, {background.x + 160, background.y + 120}))
            << "held " << hold.count() << " ms: the window followed the pointer";
        if (windowOrigin() != origin) pointer->click(background.x + 160, background.y + 120, 40ms);
    }

    pointer->drag(background.x, background.y, background.x - 200, background.y + 100, 200ms);
    EXPECT_TRUE(waitUntil([&] { return windowOrigin().x < origin.x - 150 && windowOrigin().y > origin.y + 50; }, 5s))
        << "dragging the background did not move the window";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// Asked for from another desktop, the settings window comes to that desktop
// and takes the keyboard, also when it is open on another one; the user is
// not taken away.
TEST_F(ManagedSettingsWindow, SettingsAskedForOnAnotherDesktopComeToIt) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the program did not dock or listen";
    auto window = openSettings(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window";
    ASSERT_TRUE(waitUntil([&] { return manager->desktopOf(window->id) == 0ul; }, 5s))
        << "desktop " << manager->desktopOf(window->id).value_or(99) << " of " << window->id;

    ASSERT_TRUE(manager->switchToDesktop(2));
    ASSERT_FALSE(settingsWindow(*tree).has_value()) << "the window shows on every desktop";
    window = openSettings(*icon);
    ASSERT_TRUE(window.has_value()) << "the window did not come to desktop 2";
    EXPECT_EQ(manager->desktopOf(window->id), 2ul);
    EXPECT_EQ(manager->currentDesktop(), 2);
    EXPECT_TRUE(waitUntil([&] { return manager->activeWindow() == window->id; }, 5s)) << "not activated";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// The onboarding is on every desktop: switching desktops keeps it in view.
TEST_F(ManagedSettingsWindow, TheOnboardingShowsOnEveryDesktop) {
    ASSERT_TRUE(manager->switchToDesktop(1));
    tessivar.emplace(TESSIVAR_BINARY, server.displayName(), R"({"hasCompletedOnboarding": false})");
    std::optional<WindowFacts> onboarding;
    const auto shown = [&] {
        return (onboarding = ::find(
                    *tree,
                    [](const WindowFacts& w) { return !w.overrideRedirect && w.width == 640 && w.height == 460; }))
            .has_value();
    };
    ASSERT_TRUE(waitUntil(shown, 15s)) << "no onboarding";
    EXPECT_TRUE(waitUntil([&] { return manager->desktopOf(onboarding->id) == 0xFFFFFFFFul; }, 5s))
        << "on desktop " << manager->desktopOf(onboarding->id).value_or(99) << ", window " << onboarding->id;
    ASSERT_TRUE(manager->switchToDesktop(3));
    EXPECT_TRUE(waitUntil(shown, 10s)) << "the onboarding stayed behind on desktop 1";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// A combination another program holds reaches the recording field, whose
// conflict check answers it with an alert, instead of going to that program.
TEST_F(ManagedSettingsWindow, ACombinationAnotherProgramHoldsReachesTheRecordingField) {
    const auto alert = openConflictAlert();
    ASSERT_TRUE(alert.has_value()) << "no conflict alert";
    EXPECT_EQ(storedShortcut(*tessivar, "Hotkeys_jumpToScreen1"), R"({"carbonKeyCode":18,"carbonModifiers":2048})");
    // "好", the default button, answers the alert.
    ASSERT_TRUE(key("Return"));
    EXPECT_TRUE(waitUntil([&] { return !conflictAlert().has_value(); }, 5s)) << "the alert did not close";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// The alert's title bar names the program, and SIGTERM still ends it cleanly
// while the alert waits for an answer (it offers no button that only closes it).
TEST_F(ManagedSettingsWindow, AnOpenConflictAlertIsTitledTessivarAndSigtermStillEndsTheProgram) {
    const auto alert = openConflictAlert();
    ASSERT_TRUE(alert.has_value()) << "no conflict alert";
    EXPECT_EQ(windowName(alert->id), "Tessivar");
    EXPECT_EQ(tessivar->terminate(), 0) << "the program did not end by itself";
}

// With the tray menu open the hot keys are matched in the menu's keys, however
// long the digit is held: each jumps, and the menu stays open for the next.
// Keys typed before the just-mapped menu holds the keyboard are lost, so the
// first combination is typed until it jumps.
TEST_F(ManagedSettingsWindow, TheTrayMenuStaysOpenForTheHotKeysHeldShortOrLong) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the icon never docked";
    pointer->click(icon->x + icon->width / 2, icon->y + icon->height / 2, 40ms);
    ASSERT_TRUE(waitUntil([&] { return menuIsOpen(*tree); }, 5s)) << "no menu after a click on the icon";

    tessivar::testing::XTestKeyboard keyboard(server.displayName());
    ASSERT_TRUE(keyboard.isReady());
    const auto onDisplay = [&](int display) {
        const auto at = observer->pointer();
        return at && (at->x >= 1920) == (display == 2);
    };
    EXPECT_TRUE(waitUntil(
        [&] {
            keyboard.tap({"Alt_L", "2"});
            return waitUntil([&] { return onDisplay(2); }, 500ms);
        },
        5s))
        << "Alt+2 typed into the open menu never jumped";
    EXPECT_TRUE(menuIsOpen(*tree)) << "the menu closed at Alt+2";

    keyboard.press("Alt_L");
    keyboard.press("1");
    std::this_thread::sleep_for(200ms);
    keyboard.release("1");
    keyboard.release("Alt_L");
    EXPECT_TRUE(waitUntil([&] { return onDisplay(1); }, 5s)) << "Alt+1 held 200 ms did not jump back";
    EXPECT_TRUE(menuIsOpen(*tree)) << "the menu closed at Alt+1";
}

// Closed, a display unplugged, opened again: the pane lists the displays there are now.
TEST_F(ManagedSettingsWindow, TheShortcutsPaneFollowsTheDisplaysFromOneShowToTheNext) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the program did not dock or listen";
    auto window = openShortcutsPane(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window with the keyboard";
    ASSERT_EQ(fields(*window).size(), 2u);
    ASSERT_TRUE(key("alt+F4"));
    ASSERT_TRUE(waitUntil([&] { return !settingsWindow(*tree).has_value(); }, 5s)) << "the window did not close";
    ASSERT_EQ(server.setMonitors({{1920, 1080, 0, 0}}), std::nullopt);
    ASSERT_TRUE(tessivar->waitForLine("屏幕", 5s));
    const auto icon2 = dockedIcon(*tree);
    ASSERT_TRUE(icon2.has_value());
    window = openSettings(*icon2);
    ASSERT_TRUE(window.has_value()) << "no settings window";
    const auto pane = tessivar::testing::Screenshots::settledGrab(
        *probe, *window, nullptr, [](const ScreenGrab& grab) { return !fieldFrames(grab).empty(); });
    EXPECT_EQ(fieldFrames(pane).size(), 1u) << "the unplugged display is still listed";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// Every text of the panes as the screen shows it, in window coordinates
// measured on the panes' pictures: the pane (0 General, 1 Shortcuts, 2 About)
// and the area of the text on its own background.
struct PaneText {
    int pane;
    tessivar::testing::Screenshots::TextArea area;
};

constexpr PaneText kPaneTexts[] = {
    {0, {"sidebar 通用 (chosen)", 2, 3, 50, 16}},
    {0, {"sidebar 快捷键", 2, 25, 50, 17}},
    {0, {"sidebar 关于", 2, 47, 40, 17}},
    {0, {"header 通用设置", 202, 35, 60, 16}},
    {0, {"switch 登录时自动启动", 232, 68, 90, 18}},
    {0, {"switch 记住各屏幕光标位置", 232, 98, 115, 18}},
    {0, {"header 视觉效果", 202, 140, 60, 16}},
    {0, {"title 定位动效样式", 213, 174, 90, 17}},
    {0, {"note 跳转后短暂放大光标", 213, 202, 190, 16}},
    {0, {"choice 光标缩放", 522, 173, 55, 18}},
    {1, {"header 屏幕跳转快捷键", 202, 35, 90, 16}},
    {1, {"title 屏幕 1", 213, 70, 40, 18}},
    {1, {"subtitle DUMMY0", 213, 92, 120, 14}},
    {1, {"field ⌥1", 495, 80, 25, 15}},
    {1, {"title 屏幕 2", 213, 122, 40, 18}},
    {1, {"subtitle DUMMY1", 213, 143, 120, 14}},
    {1, {"footer 点击录制框", 208, 372, 350, 16}},
    {2, {"name Tessivar", 271, 53, 80, 20}},
    {2, {"version 版本", 271, 84, 70, 14}},
    {2, {"header 关于产品", 202, 124, 55, 16}},
    {2, {"summary Tessivar 是", 213, 155, 230, 18}},
    {2, {"description 通过快捷键", 213, 179, 390, 16}},
    {2, {"header 链接与支持", 202, 235, 70, 16}},
    {2, {"link 官方网站", 235, 270, 60, 17}},
    {2, {"link ↗", 580, 270, 16, 16}},
    {2, {"link 反馈问题", 235, 302, 60, 17}},
    {2, {"link 联系邮箱", 235, 334, 60, 17}},
};

// Text must stand out from its background by at least 4.5 : 1 (WCAG AA); the
// footer's separator is a faint line, not a black one.
TEST_F(ManagedSettingsWindow, EveryTextOfThePanesReads) {
    const auto icon = launch();
    ASSERT_TRUE(icon.has_value()) << "the program did not dock or listen";
    const auto window = openSettings(*icon);
    ASSERT_TRUE(window.has_value()) << "no settings window";
    ASSERT_TRUE(waitUntil([&] { return focusedWindow() == std::to_string(window->id); }, 5s));
    std::vector<ScreenGrab> panes;
    for (const char* name : {"general", "shortcuts", "about"}) {
        if (!panes.empty()) {
            ASSERT_TRUE(key("Down"));
        }
        // However long a busy machine takes to answer the key and draw the
        // pane (a fixed 500 ms once caught the rows of the Shortcuts pane half drawn).
        panes.push_back(
            tessivar::testing::Screenshots::settledGrab(*probe, *window, panes.empty() ? nullptr : &panes.back()));
        EXPECT_FALSE(
            tessivar::testing::Screenshots::save(panes.back(), std::string("settings-") + name + ".png").empty());
    }
    for (const auto& text : kPaneTexts) {
        tessivar::testing::Screenshots::expectReadable(panes[static_cast<std::size_t>(text.pane)], text.area,
                                                       "pane " + std::to_string(text.pane));
    }
    // The separator over the footer: the row above the hint that stands out
    // most from the pane below it, and only faintly.
    const ScreenGrab& shortcuts = panes[1];
    const auto at = [&](int row) { return shortcuts.pixels[static_cast<std::size_t>(row * shortcuts.width + 400)]; };
    int separator = 0;
    for (int row = 330; row < 368; ++row)
        separator = std::max(separator, tessivar::testing::Screenshots::distance(at(row), at(368)));
    EXPECT_GT(separator, 3) << "no separator over the footer";
    EXPECT_LT(separator, 60) << "a dark separator over the footer";
    EXPECT_EQ(tessivar->terminate(), 0);
}

// One 1024 x 768 display, the program at twice the scale: 512 x 384 points,
// smaller than either window.
struct SmallScaledDisplay : ManagedSettingsWindow {
    void arrangeDisplays() override {
        ASSERT_EQ(tessivar::testing::runXrandr(server.displayName(),
                                               "--output DUMMY1 --off --output DUMMY0 --mode 1024x768 --pos 0x0"),
                  "");
        scale = 2;
        setenv("QT_SCALE_FACTOR", "2", 1);
    }
    void TearDown() override { unsetenv("QT_SCALE_FACTOR"); }

    // The window manager's frame around a window: the smallest window of the
    // root that holds it.
    std::optional<WindowFacts> frameOf(const WindowFacts& client) const {
        std::optional<WindowFacts> frame;
        for (const auto& w : tree->windows()) {
            const bool holds = w.topLevel && w.viewable && w.x <= client.x && w.y <= client.y &&
                               w.x + w.width >= client.x + client.width && w.y + w.height >= client.y + client.height;
            if (holds && (!frame || w.width * w.height < frame->width * frame->height)) frame = w;
        }
        return frame;
    }

    // A managed window of ours that is not the tray icon.
    std::optional<WindowFacts> shownSettingsWindow() const override {
        return find(*tree, [](const WindowFacts& w) {
            return !w.overrideRedirect && w.topLevelClassName != "trayer" && w.width > 200 && w.height > 200;
        });
    }

    static WindowFacts wholeScreen() {
        WindowFacts screen;
        screen.width = 1024;
        screen.height = 768;
        return screen;
    }

    // Whether the rectangle lies on the 1024 x 768 screen, every edge.
    static bool onScreen(const WindowFacts& w) {
        return w.x >= 0 && w.y >= 0 && w.x + w.width <= 1024 && w.y + w.height <= 768;
    }
};

// The settings window is made to fit, frame included: its title bar (to drag
// it) and close button are on the screen, and the close button closes it.
TEST_F(SmallScaledDisplay, TheSettingsWindowFitsWithItsTitleBarAndCloseButton) {
    const auto icon = launch();
    ASSERT_TRUE(icon);
    const auto window = openSettings(*icon);
    ASSERT_TRUE(window) << "no settings window";
    const auto frame = frameOf(*window);
    ASSERT_TRUE(frame);
    std::cout << "[small display] settings frame " << frame->width << "x" << frame->height << "+" << frame->x << "+"
              << frame->y << ", window " << window->width << "x" << window->height << "\n";
    const auto screen = tessivar::testing::Screenshots::settledGrab(*probe, wholeScreen());
    tessivar::testing::Screenshots::save(screen, "settings-scale2-1024x768.png");
    EXPECT_TRUE(onScreen(*frame)) << "the frame runs off the screen";
    EXPECT_LT(frame->y, window->y) << "a title bar above the window";
    // Openbox's close button sits at the title bar's right end.
    pointer->click(frame->x + frame->width - 8 * scale, frame->y + (window->y - frame->y) / 2, 40ms);
    EXPECT_TRUE(waitUntil([&] { return !shownSettingsWindow().has_value(); }, 5s))
        << "the close button did not close it";
}

// The onboarding is cut to the small screen: its header, by which it is
// dragged, and both buttons of its bottom bar are on it.
TEST_F(SmallScaledDisplay, TheOnboardingFitsWithItsHeaderAndBothButtons) {
    tessivar.emplace(TESSIVAR_BINARY, server.displayName(), [](const std::filesystem::path&) {});
    std::optional<WindowFacts> window;
    ASSERT_TRUE(waitUntil([&] { return (window = shownSettingsWindow()).has_value(); }, 15s)) << "no onboarding window";
    const auto screen = tessivar::testing::Screenshots::settledGrab(*probe, wholeScreen());
    tessivar::testing::Screenshots::save(screen, "onboarding-scale2-1024x768.png");
    std::cout << "[small display] onboarding " << window->width << "x" << window->height << "+" << window->x << "+"
              << window->y << "\n";
    EXPECT_TRUE(onScreen(*window)) << window->width << "x" << window->height << "+" << window->x << "+" << window->y;
    EXPECT_EQ(window->width, 1024) << "as wide as the screen holds";

    // The buttons answer where they are drawn, in points from the bottom
    // corners, and the header drags it: the next button turns the page, the
    // window follows the header, and back on the first page skip closes it.
    const auto at = [&](const WindowFacts& w, int x, int y) {
        return PointerPosition{w.x + x * scale, w.y + y * scale};
    };
    const int bottom = window->height / scale - 39;
    const auto firstStep = probe->grab(window->x, window->y, window->width, window->height);
    const auto next = at(*window, window->width / scale - 78, bottom);
    pointer->click(next.x, next.y, 40ms);
    const auto secondStep = tessivar::testing::Screenshots::settledGrab(*probe, *window, &firstStep);
    EXPECT_NE(secondStep.pixels, firstStep.pixels) << "the next button did not turn the page";

    const PointerPosition origin{window->x, window->y};
    const auto header = at(*window, 150, 40);
    const auto moved = [&] {
        window = shownSettingsWindow();
        return window && window->x > origin.x && window->y > origin.y;
    };
    // The window manager takes the move over a moment after it is asked to:
    // the pointer goes on in steps, as a hand does, until the window follows.
    pointer->moveTo(header.x, header.y);
    pointer->press();
    for (int step = 1; step <= 20 && !moved(); ++step) {
        pointer->moveTo(header.x + 6 * step, header.y + 4 * step);
        waitUntil(moved, 250ms);
    }
    pointer->release();
    EXPECT_TRUE(moved()) << "the header did not drag the window";
    ASSERT_TRUE(window);
    // The left button goes back on the second page and skips on the first.
    const auto left = at(*window, 56, bottom);
    const auto onScreenPart = [&] {
        return probe->grab(window->x, window->y, 1024 - window->x, 768 - window->y).pixels;
    };
    const auto secondPage = onScreenPart();
    pointer->click(left.x, left.y, 40ms);
    EXPECT_TRUE(waitUntil([&] { return onScreenPart() != secondPage; }, 5s)) << "the back button did not turn the page";
    pointer->click(left.x, left.y, 40ms);
    EXPECT_TRUE(waitUntil([&] { return !shownSettingsWindow().has_value(); }, 5s))
        << "the skip button did not close it";
}

}  // namespace
