#include <gtest/gtest.h>

#include "Hotkeys/Private/AcceleratorReader.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "tests/Hotkeys/Conflicts/ShortcutMasks.h"

namespace {

using hotkeys::Shortcut;

using tessivar::testing::kCommand;
using tessivar::testing::kControl;
using tessivar::testing::kOption;
using tessivar::testing::kShift;

TEST(AcceleratorReader, ReadsDesktopBindingsAsShortcuts) {
    platform::FakeKeyboardLayout layout;
    const hotkeys::AcceleratorReader reader(&layout);
    struct Case {
        const char* accelerator;
        std::optional<Shortcut> expected;
    };
    const Case cases[] = {
        {"<Super>Left", Shortcut(123, kCommand)},
        {"<Alt>F4", Shortcut(118, kOption)},
        {"<Primary><Alt>t", Shortcut(17, kControl | kOption)},
        {"<Control><Shift>Page_Up", Shortcut(116, kControl | kShift)},
        {"<ctrl>minus", Shortcut(27, kControl)},
        {"<Super>A", Shortcut(0, kCommand)},
        {"<Mod4><Mod1>1", Shortcut(18, kCommand | kOption)},
        {"<Super>KP_5", Shortcut(87, kCommand)},
        {"<Alt>space", Shortcut(49, kOption)},
        {"XF86AudioMute", Shortcut(74, 0)},
        {"<Release><Super>p", Shortcut(35, kCommand)},
        {"disabled", std::nullopt},
        {"", std::nullopt},
        {"<Super>", std::nullopt},
        {"<Hyper>a", std::nullopt},  // no hot-key modifier for Hyper
        {"<Super", std::nullopt},
        {"<Super>XF86Launch1", std::nullopt},
        {"/org/gnome/settings-daemon/plugins/media-keys/custom0/", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(reader.read(c.accelerator), c.expected) << c.accelerator;
}

TEST(AcceleratorReader, CharacterKeysAreTheKeysThatTypeThemOnTheCurrentLayout) {
    platform::FakeKeyboardLayout layout;
    layout.setCharacter(12, "a");  // AZERTY: the key named Q types "a"
    layout.setCharacter(0, "q");
    const hotkeys::AcceleratorReader reader(&layout);
    EXPECT_EQ(reader.read("<Super>a"), Shortcut(12, kCommand));
    EXPECT_EQ(reader.read("<Super>q"), Shortcut(0, kCommand));
    EXPECT_EQ(reader.read("<Super>Left"), Shortcut(123, kCommand));

    const hotkeys::AcceleratorReader withoutLayout(nullptr);
    EXPECT_EQ(withoutLayout.read("<Super>a"), std::nullopt);
    EXPECT_EQ(withoutLayout.read("<Super>Up"), Shortcut(126, kCommand));
}

}  // namespace
