// The recorder's check for shortcuts other programs hold, against a real X
// server and another client's grabs.
#include <gtest/gtest.h>

#include "Hotkeys/SystemShortcuts.h"
#include "Platform/X11/X11HotKeyService.h"
#include "tests/Platform/X11/HotKeys/CompetingClient.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

constexpr std::int64_t kShortcutOption = 0x800;
constexpr std::int64_t kShortcutControl = 0x1000;
constexpr unsigned kXControl = 0x04;
constexpr unsigned kXAltMask = 0x08;

TEST(SystemShortcutsOnX11, AShortcutAnotherClientHoldsIsTakenAndTheTrialLeavesNoGrab) {
    XorgDummyServer server;
    if (auto error = server.start({{1024, 768, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    platform::X11HotKeyService ours(server.displayName().c_str());
    ASSERT_TRUE(ours.isConnected());
    const hotkeys::SystemShortcuts lookups(&ours, nullptr, nullptr);

    CompetingClient other(server.displayName());
    ASSERT_EQ(other.grab("9", kXControl | kXAltMask), 0);
    EXPECT_TRUE(lookups.isTaken(hotkeys::Shortcut(25, kShortcutControl | kShortcutOption)))
        << "⌃⌥9 is the other client's";
    EXPECT_FALSE(lookups.isTaken(hotkeys::Shortcut(26, kShortcutControl | kShortcutOption)));
    EXPECT_FALSE(lookups.isTaken(hotkeys::Shortcut(26, 0x20000))) << "a modifier X cannot grab is nobody's";

    CompetingClient third(server.displayName());
    EXPECT_EQ(third.grab("7", kXControl | kXAltMask), 0) << "the trial grab of ⌃⌥7 was given back";
}

}  // namespace
}  // namespace tessivar::testing
