// GoogleTest first: Xlib defines macros (None, Bool) that clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include "KeyboardServer.h"
#include "Platform/X11/Private/X11KeyMap.h"

namespace tessivar::testing {
namespace {

namespace KeyMap = platform::X11KeyMap;

// The Carbon codes the key map knows: every key of the shortcut model but Fn (63).
constexpr int kModelKeysWithXKeys = 112;

class X11KeyMapTest : public KeyboardServerTest {
protected:
    void SetUp() override {
        KeyboardServerTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        connection_ = XOpenDisplay(display().c_str());
        ASSERT_NE(connection_, nullptr);
    }
    void TearDown() override {
        if (connection_) XCloseDisplay(connection_);
        KeyboardServerTest::TearDown();
    }

    // Where the server has the key that types `keysym`, independent of key
    // names. Asked over a new connection: Xlib keeps the keymap it first read
    // for a connection until that connection handles the change notification.
    unsigned keyTyping(KeySym keysym) const {
        Display* fresh = XOpenDisplay(display().c_str());
        if (!fresh) return 0;
        const unsigned code = XKeysymToKeycode(fresh, keysym);
        XCloseDisplay(fresh);
        return code;
    }

    // How many Carbon codes map to a key that maps back to the same code.
    int roundTrips() const {
        int count = 0;
        for (int carbon = 0; carbon < 128; ++carbon) {
            const auto x11 = KeyMap::x11KeyCode(connection_, carbon);
            if (!x11) continue;
            EXPECT_EQ(KeyMap::carbonKeyCode(connection_, *x11), carbon) << "Carbon " << carbon << " via X " << *x11;
            ++count;
        }
        return count;
    }

    void expectKeysFoundByWhatTheyType() const {
        const std::pair<int, KeySym> keys[] = {
            {0, XK_a},          {12, XK_q},         {18, XK_1},           {23, XK_5},
            {29, XK_0},         {36, XK_Return},    {49, XK_space},       {53, XK_Escape},
            {51, XK_BackSpace}, {48, XK_Tab},       {123, XK_Left},       {124, XK_Right},
            {125, XK_Down},     {126, XK_Up},       {122, XK_F1},         {111, XK_F12},
            {114, XK_Insert},   {117, XK_Delete},   {115, XK_Home},       {119, XK_End},
            {116, XK_Prior},    {121, XK_Next},     {56, XK_Shift_L},     {59, XK_Control_L},
            {58, XK_Alt_L},     {55, XK_Super_L},   {82, XK_KP_Insert},   {92, XK_KP_Prior},
            {75, XK_KP_Divide}, {76, XK_KP_Enter},  {67, XK_KP_Multiply}, {78, XK_KP_Subtract},
            {69, XK_KP_Add},    {42, XK_backslash}, {50, XK_grave},
        };
        for (const auto& [carbon, keysym] : keys) {
            EXPECT_EQ(KeyMap::x11KeyCode(connection_, carbon), keyTyping(keysym)) << "Carbon " << carbon;
            EXPECT_EQ(KeyMap::carbonKeyCode(connection_, keyTyping(keysym)), carbon) << "Carbon " << carbon;
        }
    }

    Display* connection_ = nullptr;
};

TEST_F(X11KeyMapTest, FindsKeysByPositionOnTheUsKeymap) { expectKeysFoundByWhatTheyType(); }

TEST_F(X11KeyMapTest, EveryModelKeyTheServerHasMapsBothWays) {
    // This server's own keycodes lack F18 to F20.
    EXPECT_GE(roundTrips(), kModelKeysWithXKeys - 3);
    setKeymap("-rules evdev -layout us");
    EXPECT_EQ(roundTrips(), kModelKeysWithXKeys);
}

TEST_F(X11KeyMapTest, FollowsANewKeymapAtOnce) {
    const unsigned before = keyTyping(XK_Left);
    setKeymap("-rules evdev -layout us");
    ASSERT_NE(keyTyping(XK_Left), before) << "the two keycode sets should place the arrows apart";
    expectKeysFoundByWhatTheyType();
}

TEST_F(X11KeyMapTest, KeysAreFoundByPositionWhateverTheyType) {
    const auto q = KeyMap::x11KeyCode(connection_, 12);
    setKeymap("fr");
    EXPECT_EQ(KeyMap::x11KeyCode(connection_, 12), q);
    EXPECT_EQ(keyTyping(XK_a), q);
}

TEST_F(X11KeyMapTest, KeysOutsideTheModelMapToNothing) {
    for (const int carbon : {-1, 10, 52, 63, 127, 128, 1 << 20}) {
        EXPECT_FALSE(KeyMap::x11KeyCode(connection_, carbon)) << carbon;
    }
    for (const unsigned x11 : {0u, 7u, 256u, 100000u}) EXPECT_FALSE(KeyMap::carbonKeyCode(connection_, x11)) << x11;
    const unsigned lessGreater = keyTyping(XK_less);  // the extra key of ISO keyboards
    ASSERT_NE(lessGreater, 0u);
    EXPECT_FALSE(KeyMap::carbonKeyCode(connection_, lessGreater));
}

TEST_F(X11KeyMapTest, AConnectionWithoutXkbUsesLinuxInputCodes) {
    setKeymap("-rules evdev -layout us");
    // Xlib leaves XKB alone on connections opened while XKB_DISABLE is set.
    setenv("XKB_DISABLE", "1", 1);
    Display* withoutXkb = XOpenDisplay(display().c_str());
    unsetenv("XKB_DISABLE");
    ASSERT_NE(withoutXkb, nullptr);
    EXPECT_EQ(KeyMap::x11KeyCode(withoutXkb, 123), keyTyping(XK_Left));
    EXPECT_EQ(KeyMap::x11KeyCode(withoutXkb, 0), keyTyping(XK_a));
    EXPECT_EQ(KeyMap::carbonKeyCode(withoutXkb, keyTyping(XK_F1)), 122);
    EXPECT_FALSE(KeyMap::x11KeyCode(withoutXkb, 63));
    XCloseDisplay(withoutXkb);
}

TEST(X11KeyMapWithoutServerTest, NoConnectionMapsNothing) {
    EXPECT_FALSE(KeyMap::x11KeyCode(nullptr, 0));
    EXPECT_FALSE(KeyMap::carbonKeyCode(nullptr, 38));
}

}  // namespace
}  // namespace tessivar::testing
