#include <gtest/gtest.h>

#include "Hotkeys/MenuItem.h"
#include "tests/Hotkeys/Conflicts/ShortcutMasks.h"
#include "tests/Hotkeys/Model/LayoutFixture.h"

namespace {

using hotkeys::MenuItem;
using hotkeys::ModifierFlags;
using hotkeys::Shortcut;

using tessivar::testing::kCommand;
using tessivar::testing::kOption;
using tessivar::testing::kShift;

MenuItem item(std::string title, std::string key, std::uint64_t flags, std::vector<MenuItem> submenu = {}) {
    return {std::move(title), std::move(key), ModifierFlags{flags}, std::move(submenu)};
}

class MenuItemTest : public tessivar::testing::LayoutFixture {};

TEST_F(MenuItemTest, KeyEquivalentsMatchByCharacterAndExactModifiers) {
    const std::vector<MenuItem> menu{
        item("", "", 0),
        item("存储", "s", ModifierFlags::command),
        item("另存为", "S", ModifierFlags::command),
        item("复制", "c", ModifierFlags::command | ModifierFlags::option),
        item("编辑", "", 0, {item("粘贴", "v", ModifierFlags::command), item("再粘贴", "v", ModifierFlags::command)}),
        item("也粘贴", "v", ModifierFlags::command),
    };
    struct Case {
        Shortcut shortcut;
        const char* title;  // nullptr: no entry
    };
    const Case cases[] = {
        {{1, kCommand}, "存储"},             // ⌘S, US layout key code 1
        {{1, kCommand | kShift}, "另存为"},  // an upper-case equivalent stands for Shift
        {{8, kCommand}, nullptr},            // the entry wants ⌘⌥C
        {{8, kCommand | kOption}, "复制"},
        {{9, kCommand}, "粘贴"},    // in a submenu, the first depth first
        {{87, kCommand}, nullptr},  // a keypad key has no key equivalent
        {{1, kOption}, nullptr},
    };
    for (const auto& c : cases) {
        const MenuItem* found = hotkeys::matchingMenuItem(c.shortcut, menu);
        if (!c.title) {
            EXPECT_EQ(found, nullptr) << c.shortcut.encoded();
            continue;
        }
        ASSERT_NE(found, nullptr) << c.shortcut.encoded();
        EXPECT_EQ(found->title, c.title) << c.shortcut.encoded();
    }
}

TEST_F(MenuItemTest, TheCharacterComesFromTheCurrentLayout) {
    layout.setCharacter(12, "a");  // AZERTY: the keys named Q and A swap
    layout.setCharacter(0, "q");
    const std::vector<MenuItem> menu{item("全选", "a", ModifierFlags::command)};
    EXPECT_NE(hotkeys::matchingMenuItem(Shortcut(12, kCommand), menu), nullptr);
    EXPECT_EQ(hotkeys::matchingMenuItem(Shortcut(0, kCommand), menu), nullptr);
}

}  // namespace
