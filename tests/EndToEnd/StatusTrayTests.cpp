// The status item in a real XEmbed system tray (trayer) on the test X server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iostream>
#include <optional>

#include "tests/EndToEnd/DesktopSession.h"
#include "tests/EndToEnd/Screenshots.h"
#include "tests/support/SystemTrayPanel.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/X11ScreenProbe.h"
#include "tests/support/X11WindowTree.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::WindowFacts;

namespace {

constexpr const char* kOurClass = "tessivar";

// Our icon window once the tray has taken it in: XEmbed reparents it into a
// window of the tray's own top-level.
std::optional<WindowFacts> dockedIcon(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.className == kOurClass && window.topLevelClassName == "trayer") return window;
    }
    return std::nullopt;
}

// The menu is the one shown top-level window of ours that bypasses the window
// manager (the icon sits in the tray; Qt's helper windows are never mapped).
std::optional<WindowFacts> openMenu(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.topLevel && window.overrideRedirect && window.className == kOurClass)
            return window;
    }
    return std::nullopt;
}

// The stretch of the tray's panel around the docked icon, to picture it there.
std::optional<WindowFacts> panelAround(const tessivar::testing::X11WindowTree& tree, const WindowFacts& icon) {
    constexpr int kMargin = 60;
    for (auto window : tree.windows()) {
        if (!window.viewable || !window.topLevel || window.className != "trayer") continue;
        const int left = std::max(window.x, icon.x - kMargin);
        window.width = std::min(window.x + window.width, icon.x + icon.width + kMargin) - left;
        window.x = left;
        return window;
    }
    return std::nullopt;
}

bool menuIsOpen(const tessivar::testing::X11WindowTree& tree) { return openMenu(tree).has_value(); }

struct StatusTray : ::testing::Test {
    void SetUp() override {
        if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
        session.emplace(server.displayName());
        tree.emplace(server.displayName());
        tray.emplace(server.displayName());
    }

    // The icon once it stands still in the tray, not yet painted or still
    // being docked being waited past.
    // The panel around it is saved as `pictureName` for a person to look at.
    std::optional<tessivar::testing::ScreenGrab> dockedIconPicture(const std::string& pictureName) const {
        std::optional<WindowFacts> icon;
        // Docked where the panel shows it: a frame seen while the tray still
        // places the icon may lie off the screen.
        const auto onScreen = [](const WindowFacts& w) {
            return w.x >= 0 && w.y >= 0 && w.x + w.width <= 1920 && w.y + w.height <= 1080;
        };
        if (!tessivar::testing::waitUntil([&] { return (icon = dockedIcon(*tree)).has_value() && onScreen(*icon); },
                                          15s))
            return std::nullopt;
        const tessivar::testing::X11ScreenProbe probe(server.displayName());
        auto picture = tessivar::testing::Screenshots::settledGrab(probe, *icon);
        if (const auto panel = panelAround(*tree, *icon)) {
            tessivar::testing::Screenshots::save(probe.grab(panel->x, panel->y, panel->width, panel->height),
                                                 pictureName);
        }
        return picture;
    }

    tessivar::testing::XorgDummyServer server;
    std::optional<tessivar::testing::DesktopSession> session;
    std::optional<tessivar::testing::SystemTrayPanel> tray;
    std::optional<tessivar::testing::X11WindowTree> tree;
};

TEST_F(StatusTray, DocksIntoATrayThatStartsAfterLaunchAndAgainWhenTheTrayComesBack) {
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    ASSERT_TRUE(tessivar.waitForLine("⚠️ 桌面暂时没有系统托盘", 15s)) << "launched without a tray";

    ASSERT_EQ(tray->start(), std::nullopt);
    EXPECT_TRUE(tessivar::testing::waitUntil([&] { return dockedIcon(*tree).has_value(); }, 10s))
        << "the icon never docked into the tray that came after launch";

    tray->stop();
    EXPECT_TRUE(tessivar::testing::waitUntil([&] { return !dockedIcon(*tree).has_value(); }, 5s));
    ASSERT_EQ(tray->start(), std::nullopt);
    EXPECT_TRUE(tessivar::testing::waitUntil([&] { return dockedIcon(*tree).has_value(); }, 10s))
        << "the icon did not come back into the restarted tray";
    EXPECT_EQ(tessivar.terminate(), 0);
}

// Display 1's shortcut is Super and the keypad's 1: the menu, pictured for a
// person to look at, shows it as such.
TEST_F(StatusTray, ALeftClickOnTheIconOpensTheMenu) {
    ASSERT_EQ(tray->start(), std::nullopt);
    tessivar::testing::TessivarProcess tessivar(
        TESSIVAR_BINARY, server.displayName(),
        R"({"Hotkeys_jumpToScreen1":"{\"carbonKeyCode\":83,\"carbonModifiers\":256}"})");
    std::optional<WindowFacts> icon;
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return (icon = dockedIcon(*tree)).has_value(); }, 15s));
    ASSERT_FALSE(menuIsOpen(*tree));

    const auto click = session->xdotool("mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                                        std::to_string(icon->y + icon->height / 2) + " click 1");
    ASSERT_TRUE(click.succeeded()) << click.output;
    EXPECT_TRUE(tessivar::testing::waitUntil([&] { return menuIsOpen(*tree); }, 5s))
        << "no menu after a left click on the icon";
    if (const auto menu = openMenu(*tree)) {
        const tessivar::testing::X11ScreenProbe probe(server.displayName());
        tessivar::testing::Screenshots::save(tessivar::testing::Screenshots::settledGrab(probe, *menu),
                                             "tray-menu.png");
    }

    // A menu just mapped may not hold the keyboard yet; Escape is typed until it closes.
    EXPECT_TRUE(tessivar::testing::waitUntil(
        [&] {
            session->xdotool("key Escape");
            return tessivar::testing::waitUntil([&] { return !menuIsOpen(*tree); }, 500ms);
        },
        5s));
    EXPECT_EQ(tessivar.terminate(), 0);
}

// The icon reads on trayer's own light grey and on a dark panel: enough of
// it stands out from the panel by 3 : 1 (WCAG's figure for graphics) to draw
// the frame's outline, about three times the icon's side in pixels (the
// pointer alone is not enough). A tray that tells its icons a colour gets
// them in it, one that came after the program did too.
TEST_F(StatusTray, TheIconReadsOnALightPanelAndOnADarkOneAndTakesTheColourATrayTells) {
    const std::vector<std::string> dark = {"--transparent", "true", "--alpha", "0", "--tint", "0x202020"};
    const struct {
        const char* name;
        std::vector<std::string> options;
        std::optional<std::uint32_t> told;
    } panels[] = {
        {"light", {}, std::nullopt},
        {"dark", dark, std::nullopt},
        {"dark-told-amber", dark, 0xF0C040},
    };
    std::optional<tessivar::testing::TessivarProcess> tessivar;
    for (const auto& panel : panels) {
        tray.emplace(server.displayName(), panel.options);
        ASSERT_EQ(tray->start(), std::nullopt) << panel.name;
        if (panel.told) {
            ASSERT_TRUE(tray->tellColours(*panel.told)) << panel.name;
        }
        if (!tessivar) tessivar.emplace(TESSIVAR_BINARY, server.displayName());
        const auto picture = dockedIconPicture(std::string("tray-icon-") + panel.name + ".png");
        ASSERT_TRUE(picture) << panel.name << ": the icon did not dock";
        const int standing = tessivar::testing::Screenshots::pixelsStandingOut(*picture, 3.0);
        std::cout << "[tray icon] " << panel.name << " panel: " << standing << " pixels stand out\n";
        EXPECT_GE(standing, 3 * picture->height) << panel.name << " panel, a " << picture->width << "x"
                                                 << picture->height << " icon: " << standing << " pixels stand out";
        if (panel.told) {
            const auto inTheColour =
                std::count_if(picture->pixels.begin(), picture->pixels.end(), [&](std::uint32_t pixel) {
                    return tessivar::testing::Screenshots::distance(pixel & 0xFFFFFFu, *panel.told) <= 24;
                });
            EXPECT_GE(inTheColour, 3 * picture->height) << panel.name << ": drawn in another colour than the tray told";
        }
        tray->stop();
        ASSERT_TRUE(tessivar::testing::waitUntil([&] { return !dockedIcon(*tree).has_value(); }, 5s));
    }
    EXPECT_EQ(tessivar->terminate(), 0);
}

}  // namespace
