// The settings window of the real program on the test X server, driven as a
// person would: the tray menu opens it, the keyboard records a shortcut.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>

#include <nlohmann/json.hpp>

#include "tests/EndToEnd/TwoDisplayDesktop.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"

using namespace std::chrono_literals;
using tessivar::testing::PointerPosition;
using tessivar::testing::WindowFacts;
using tessivar::testing::waitUntil;

namespace {

constexpr const char* kOurClass = "tessivar";

std::optional<WindowFacts> find(const tessivar::testing::X11WindowTree& tree,
                                const std::function<bool(const WindowFacts&)>& wanted) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.className == kOurClass && wanted(window)) return window;
    }
    return std::nullopt;
}

std::optional<WindowFacts> dockedIcon(const tessivar::testing::X11WindowTree& tree) {
    return find(tree, [](const WindowFacts& w) { return w.topLevelClassName == "trayer"; });
}

bool menuIsOpen(const tessivar::testing::X11WindowTree& tree) {
    return find(tree, [](const WindowFacts& w) { return w.topLevel && w.overrideRedirect; }).has_value();
}

std::optional<WindowFacts> settingsWindow(const tessivar::testing::X11WindowTree& tree) {
    return find(tree, [](const WindowFacts& w) {
        return w.topLevel && !w.overrideRedirect && w.width == 620 && w.height == 400;
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
    auto tray = session->start({"trayer"});
    ASSERT_TRUE(tray->started()) << tray->failure();
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    std::optional<WindowFacts> icon;
    ASSERT_TRUE(waitUntil([&] { return (icon = dockedIcon(*tree)).has_value(); }, 15s));
    ASSERT_TRUE(tessivar.waitForLine("✓ Hotkeys 监听已启动", 15s));
    ASSERT_EQ(storedShortcut(tessivar, "Hotkeys_jumpToScreen2"), R"({"carbonKeyCode":19,"carbonModifiers":2048})");

    // The menu's "设置..." sits second from the bottom, above "退出". A menu
    // that is mapped may not hold the keyboard yet on a loaded machine, so
    // keys typed at once can be lost: then the menu is opened again.
    std::optional<WindowFacts> window;
    for (int attempt = 0; attempt < 3 && !window; ++attempt) {
        ASSERT_TRUE(session->xdotool("mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                                     std::to_string(icon->y + icon->height / 2) + " click 1")
                        .succeeded());
        if (!waitUntil([&] { return menuIsOpen(*tree); }, 5s)) continue;
        ASSERT_TRUE(key("Up Up Return"));
        if (waitUntil([&] { return (window = settingsWindow(*tree)).has_value(); }, 3s)) break;
        if (menuIsOpen(*tree)) {
            ASSERT_TRUE(key("Escape"));
        }
        waitUntil([&] { return !menuIsOpen(*tree); }, 2s);
    }
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
        [&] { return storedShortcut(tessivar, "Hotkeys_jumpToScreen2") == R"({"carbonKeyCode":16,"carbonModifiers":6144})"; },
        5s))
        << "stored: " << storedShortcut(tessivar, "Hotkeys_jumpToScreen2");
    EXPECT_EQ(storedShortcut(tessivar, "Hotkeys_jumpToScreen1"), R"({"carbonKeyCode":18,"carbonModifiers":2048})");

    ASSERT_TRUE(observer->warpPointer({300, 200}));
    ASSERT_TRUE(key("ctrl+alt+z"));
    EXPECT_TRUE(waitUntil([&] { return observer->pointer() == PointerPosition{2880, 540}; }, 5s))
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

}  // namespace
