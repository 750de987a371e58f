// The status item in a real XEmbed system tray (trayer) on the test X server.
#include <gtest/gtest.h>

#include <optional>

#include "tests/EndToEnd/DesktopSession.h"
#include "tests/support/SystemTrayPanel.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Requirement.h"
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
bool menuIsOpen(const tessivar::testing::X11WindowTree& tree) {
    for (const auto& window : tree.windows()) {
        if (window.viewable && window.topLevel && window.overrideRedirect && window.className == kOurClass) return true;
    }
    return false;
}

struct StatusTray : ::testing::Test {
    void SetUp() override {
        if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
        session.emplace(server.displayName());
        tree.emplace(server.displayName());
        tray.emplace(server.displayName());
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

TEST_F(StatusTray, ALeftClickOnTheIconOpensTheMenu) {
    ASSERT_EQ(tray->start(), std::nullopt);
    tessivar::testing::TessivarProcess tessivar(TESSIVAR_BINARY, server.displayName());
    std::optional<WindowFacts> icon;
    ASSERT_TRUE(tessivar::testing::waitUntil([&] { return (icon = dockedIcon(*tree)).has_value(); }, 15s));
    ASSERT_FALSE(menuIsOpen(*tree));

    const auto click = session->xdotool("mousemove " + std::to_string(icon->x + icon->width / 2) + " " +
                                        std::to_string(icon->y + icon->height / 2) + " click 1");
    ASSERT_TRUE(click.succeeded()) << click.output;
    EXPECT_TRUE(tessivar::testing::waitUntil([&] { return menuIsOpen(*tree); }, 5s))
        << "no menu after a left click on the icon";

    // A menu just mapped may not hold the keyboard yet; Escape is typed until it closes.
    EXPECT_TRUE(tessivar::testing::waitUntil(
        [&] {
            session->xdotool("key Escape");
            return tessivar::testing::waitUntil([&] { return !menuIsOpen(*tree); }, 500ms);
        },
        5s));
    EXPECT_EQ(tessivar.terminate(), 0);
}

}  // namespace
