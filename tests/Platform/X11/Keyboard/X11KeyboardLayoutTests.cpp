// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

#include "Hotkeys/Shortcut.h"
#include "KeyboardServer.h"
#include "Platform/X11/X11KeyboardLayout.h"
#include "tests/support/ScratchHotkeysRegistry.h"

namespace tessivar::testing {
namespace {

using hotkeys::Shortcut;

constexpr std::int64_t kOption = 2048;

class X11KeyboardLayoutTest : public KeyboardServerTest {
protected:
    void SetUp() override {
        KeyboardServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        layout_ = std::make_unique<platform::X11KeyboardLayout>(display().c_str());
        ASSERT_TRUE(layout_->isConnected());
        registry_.emplace(layout_.get());
    }
    void TearDown() override {
        registry_.reset();
        KeyboardServerTest::TearDown();
    }

    std::optional<std::string> character(std::uint16_t carbon) const { return layout_->character(carbon); }

    void expectUs() const {
        EXPECT_EQ(character(18), "1");
        EXPECT_EQ(character(0), "a");
        EXPECT_EQ(character(12), "q");
        EXPECT_EQ(Shortcut(12, kOption).description(), "⌥Q");
    }

    // Locks the keyboard to group `group`, as a layout switch would.
    void lockGroup(unsigned group) const {
        Display* connection = XOpenDisplay(display().c_str());
        ASSERT_NE(connection, nullptr);
        XkbLockGroup(connection, XkbUseCoreKbd, group);
        XSync(connection, False);
        XCloseDisplay(connection);
    }

    std::unique_ptr<platform::X11KeyboardLayout> layout_;
    std::optional<ScratchHotkeysRegistry> registry_;
};

TEST_F(X11KeyboardLayoutTest, UsKeymapTypesTheUsCharacters) {
    expectUs();
    EXPECT_EQ(character(33), "[");
    EXPECT_EQ(character(49), " ");
    EXPECT_EQ(Shortcut(18, kOption).description(), "⌥1");
    EXPECT_EQ(Shortcut(23, kOption).description(), "⌥5");
}

TEST_F(X11KeyboardLayoutTest, KeysThatTypeNoCharacterGiveNothing) {
    for (const std::uint16_t carbon : {36, 48, 53, 51, 56, 59, 123, 122, 63, 10, 200, 65535}) {
        EXPECT_FALSE(character(carbon)) << carbon;
    }
}

TEST_F(X11KeyboardLayoutTest, ALayoutSwitchShowsAtOnceAndSwitchingBackRestores) {
    setKeymap("fr");
    EXPECT_EQ(character(12), "a");
    EXPECT_EQ(Shortcut(12, 0).description(), "A");
    EXPECT_EQ(Shortcut(0, 0).description(), "Q");
    EXPECT_EQ(Shortcut(18, kOption).description(), "⌥&");
    EXPECT_EQ(Shortcut(19, 0).description(), "É");
    EXPECT_EQ(Shortcut(19, 0).keyEquivalent(), "é");
    setKeymap("us");
    expectUs();
}

TEST_F(X11KeyboardLayoutTest, DeadKeysShowTheirAccent) {
    setKeymap("fr");
    EXPECT_EQ(character(33), "^");
    setKeymap("de");
    EXPECT_EQ(character(24), "´");
    EXPECT_EQ(character(50), "^");
}

TEST_F(X11KeyboardLayoutTest, ANonLatinActiveGroupReadsThroughTheLatinGroup) {
    setKeymap("-layout ru,us");
    EXPECT_EQ(character(12), "q");
    EXPECT_EQ(character(18), "1");
}

TEST_F(X11KeyboardLayoutTest, ALatinActiveGroupIsReadAsItIs) {
    setKeymap("-layout us,fr");
    EXPECT_EQ(character(12), "q");
    lockGroup(1);
    EXPECT_EQ(character(12), "a");
    EXPECT_EQ(character(18), "&");
}

TEST_F(X11KeyboardLayoutTest, WithOnlyANonLatinGroupTheActiveGroupStillShows) {
    setKeymap("-layout ru");
    EXPECT_EQ(character(12), "й");
    EXPECT_EQ(Shortcut(12, 0).description(), "Й");
    EXPECT_EQ(character(18), "1");
}

TEST(X11KeyboardLayoutWithoutServerTest, NoServerTypesNothing) {
    platform::X11KeyboardLayout layout(":65000");
    EXPECT_FALSE(layout.isConnected());
    EXPECT_FALSE(layout.character(0));
}

}  // namespace
}  // namespace tessivar::testing
