#include <gtest/gtest.h>

#include "Hotkeys/Hotkeys.h"
#include "Platform/Testing/FakeDesktop.h"
#include "Platform/Testing/FakeKeyboardLayout.h"
#include "Tessivar/StatusMenu/StatusMenuModel.h"
#include "tests/support/ScratchHotkeysRegistry.h"

using hotkeys::Key;
using hotkeys::ModifierFlags;
using hotkeys::Shortcut;
using platform::makeScreen;
using tessivar::MenuAction;
using tessivar::StatusMenuModel;

namespace {

// The menu's key equivalents come from a US layout, seen through a registry of the test's own.
struct StatusMenu : ::testing::Test {
    static std::vector<platform::Screen> screens(std::size_t count) {
        std::vector<platform::Screen> list;
        for (std::size_t i = 0; i < count; ++i) {
            list.push_back(makeScreen(static_cast<platform::DisplayID>(i + 1),
                                      ("DELL U2720Q #" + std::to_string(i)).c_str(),
                                      {{1920.0 * static_cast<double>(i), 0}, {1920, 1080}}));
        }
        return list;
    }
    static std::optional<Shortcut> optionDigit(std::size_t index) {
        static const Key digits[] = {Key::one,  Key::two, Key::three, Key::four,
                                     Key::five, Key::six, Key::seven, Key::eight};
        return Shortcut(digits[index], ModifierFlags{ModifierFlags::option});
    }

    platform::FakeKeyboardLayout layout;
    tessivar::testing::ScratchHotkeysRegistry registry{&layout};
};

std::vector<std::string> titles(const StatusMenuModel& model) {
    std::vector<std::string> result;
    for (const auto& item : model.items) result.push_back(item.isSeparator ? "---" : item.title);
    return result;
}

TEST_F(StatusMenu, OneDisplayOffersItsCentre) {
    const auto model = StatusMenuModel::build(screens(1), optionDigit);
    EXPECT_EQ(titles(model), (std::vector<std::string>{"瞬间移动到当前屏幕中心", "---", "屏幕 1: DELL U2720Q #0", "---",
                                                       "新手引导...", "---", "设置...", "---", "退出"}));
    EXPECT_EQ(model.items[0].action, MenuAction::jumpToOtherScreen);
    EXPECT_EQ(model.items[0].keyEquivalent, "");
    EXPECT_EQ(model.items[0].symbolName, "cursorarrow.motionlines");
}

TEST_F(StatusMenu, SeveralDisplaysGetOneEntryEachWithTagAndShortcut) {
    const auto model = StatusMenuModel::build(screens(3), optionDigit);
    EXPECT_EQ(model.items[0].title, "瞬间移动到下一屏幕");
    for (int i = 0; i < 3; ++i) {
        const auto& entry = model.items[static_cast<std::size_t>(2 + i)];
        EXPECT_EQ(entry.action, MenuAction::jumpToSpecificScreen);
        EXPECT_EQ(entry.tag, i);
        EXPECT_EQ(entry.keyEquivalent, std::to_string(i + 1));
        EXPECT_EQ(entry.keyEquivalentModifiers, ModifierFlags{ModifierFlags::option});
        EXPECT_EQ(entry.symbolName, "display");
    }
    const auto& settings = model.items[model.items.size() - 3];
    EXPECT_EQ(settings.action, MenuAction::openHotKeySettings);
    EXPECT_EQ(settings.keyEquivalent, ",");
    EXPECT_EQ(settings.keyEquivalentModifiers, ModifierFlags{ModifierFlags::command});
    EXPECT_EQ(model.items.back().keyEquivalent, "q");
    EXPECT_EQ(model.items.back().action, MenuAction::quitApp);
}

TEST_F(StatusMenu, RemovedShortcutAndNinthDisplayShowNoKeyEquivalent) {
    std::vector<std::size_t> asked;
    const auto model = StatusMenuModel::build(screens(9), [&](std::size_t index) -> std::optional<Shortcut> {
        asked.push_back(index);
        if (index == 1) return std::nullopt;  // the user removed display 2's shortcut
        return optionDigit(index);
    });
    EXPECT_EQ(model.items[3].keyEquivalent, "") << "display 2";
    EXPECT_EQ(model.items[2].keyEquivalent, "1");
    const auto& ninth = model.items[10];
    EXPECT_EQ(ninth.tag, 8);
    EXPECT_EQ(ninth.title, "屏幕 9: DELL U2720Q #8");
    EXPECT_EQ(ninth.keyEquivalent, "");
    EXPECT_EQ(asked.size(), 8u) << "only the eight named displays have shortcuts";
}

TEST_F(StatusMenu, BuiltInPanelsGetTheLaptopSymbol) {
    for (const char* name : {"Color LCD", "Built-in Retina Display", "BUILT-IN panel", "lcd", "Retina"}) {
        EXPECT_EQ(StatusMenuModel::symbolForDisplay(name), "laptopcomputer") << name;
    }
    for (const char* name : {"DELL U2720Q", "LG HDR 4K", "DUMMY0", ""}) {
        EXPECT_EQ(StatusMenuModel::symbolForDisplay(name), "display") << name;
    }
}

}  // namespace
