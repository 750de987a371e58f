#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include <sys/stat.h>

#include "Hotkeys/SystemShortcuts.h"
#include "Platform/HotKeys/DesktopKeyBindings.h"
#include "Platform/Linux/GsettingsKeyBindings.h"
#include "Platform/Testing/FakeHotKeyService.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/Hotkeys/Conflicts/ShortcutMasks.h"
#include "tests/Platform/Foundation/ScopedEnvironment.h"

namespace {

using hotkeys::Shortcut;

using tessivar::testing::kCommand;
using tessivar::testing::kControl;
using tessivar::testing::kOption;

struct ListedBindings : platform::DesktopKeyBindings {
    std::vector<std::string> accelerators() override {
        ++reads;
        return list;
    }
    std::vector<std::string> list;
    int reads = 0;
};

TEST(SystemShortcuts, AShortcutIsTakenWhenAnotherClientHoldsItOrTheDesktopBindsIt) {
    platform::FakeHotKeyService server;
    platform::FakeKeyboardLayout layout;
    ListedBindings desktop;
    desktop.list = {"<Super>Left", "<Primary><Alt>t", "disabled"};
    const hotkeys::SystemShortcuts lookups(&server, &desktop, &layout);

    platform::EventHotKeyRef otherClient = 0;
    ASSERT_EQ(server.registerHotKey(20, kControl | kOption, {0x4F544852, 1}, &otherClient), platform::noErr);
    server.refuseKey(21, platform::eventHotKeyInvalidErr);  // a key this keyboard lacks
    server.takeCalls();

    EXPECT_TRUE(lookups.isTaken(Shortcut(20, kControl | kOption)));
    EXPECT_TRUE(lookups.isTaken(Shortcut(123, kCommand)));
    EXPECT_TRUE(lookups.isTaken(Shortcut(17, kControl | kOption)));
    EXPECT_FALSE(lookups.isTaken(Shortcut(21, kControl | kOption))) << "refused, but no one holds it";
    EXPECT_FALSE(lookups.isTaken(Shortcut(22, kControl | kOption)));

    EXPECT_EQ(server.grabCount(), 1u) << "every trial grab is given back";
    EXPECT_TRUE(server.isGrabbed(20, kControl | kOption));
    const auto calls = server.takeCalls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "register 22 6144 SSKP 0"), calls.end());
    EXPECT_EQ(lookups.systemShortcuts(),
              (std::vector<Shortcut>{Shortcut(123, kCommand), Shortcut(17, kControl | kOption)}));
}

TEST(SystemShortcuts, WithoutServicesNothingIsTaken) {
    const hotkeys::SystemShortcuts lookups(nullptr, nullptr, nullptr);
    EXPECT_FALSE(lookups.isTaken(Shortcut(18, kOption)));
    EXPECT_TRUE(lookups.systemShortcuts().empty());
}

// GNOME's own schemas in memory: the desktop's default bindings as GNOME itself
// reads them, through the real tool.
TEST(GsettingsKeyBindings, ReadsGnomeDefaultBindingsThroughTheRealTool) {
    foundation_tests::ScopedEnvironment environment;
    environment.set("GSETTINGS_BACKEND", "memory");
    // What is read is tested here, not how fast: a busy machine's gsettings
    // took more than the recorder's second.
    platform::GsettingsKeyBindings gnome(std::chrono::seconds(30));
    const auto accelerators = gnome.accelerators();
    ASSERT_FALSE(accelerators.empty()) << "gsettings and gsettings-desktop-schemas come with scripts/install-deps.sh";
    EXPECT_NE(std::find(accelerators.begin(), accelerators.end(), "<Alt>F4"), accelerators.end());

    platform::FakeKeyboardLayout layout;
    const hotkeys::SystemShortcuts lookups(nullptr, &gnome, &layout);
    EXPECT_TRUE(lookups.isTaken(Shortcut(118, kOption))) << "⌥F4 closes windows";
    EXPECT_FALSE(lookups.isTaken(Shortcut(26, kControl | kOption | kCommand)));
}

void writeScript(const std::filesystem::path& file, const std::string& body) {
    std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
    chmod(file.c_str(), 0755);
}

TEST(GsettingsKeyBindings, AMissingFailingOrStuckToolReadsAsNoBindingsWithinASecond) {
    platform::TemporaryDirectory bin;
    foundation_tests::ScopedEnvironment environment;
    environment.set("PATH", bin.path().string());
    platform::GsettingsKeyBindings gnome;
    EXPECT_TRUE(gnome.accelerators().empty()) << "no gsettings at all";

    writeScript(bin.path() / "gsettings", "echo \"x y ['<Super>q']\"; exit 1");
    EXPECT_TRUE(gnome.accelerators().empty()) << "a failing tool's output is not used";

    writeScript(bin.path() / "gsettings", "exec /bin/sleep 30");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(gnome.accelerators().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "a stuck tool is given up on";
}

TEST(GsettingsKeyBindings, ListingValuesAreReadAsQuotedStrings) {
    const auto strings = platform::GsettingsKeyBindings::stringsInListing(
        "org.gnome.desktop.wm.keybindings close ['<Alt>F4']\n"
        "org.gnome.desktop.wm.keybindings always-on-top @as []\n"
        "org.gnome.desktop.wm.keybindings switch-applications ['<Super>Tab', \"<Alt>Tab\"]\n"
        "org.gnome.settings-daemon.plugins.media-keys help 'F1'\n"
        "org.gnome.shell.keybindings odd ['it\\'s']\n"
        "truncated");
    EXPECT_EQ(strings, (std::vector<std::string>{"<Alt>F4", "<Super>Tab", "<Alt>Tab", "F1", "it's"}));
}

}  // namespace
