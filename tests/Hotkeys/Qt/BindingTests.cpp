// Shortcuts shown on Qt actions and menu items: the key sequences they become,
// and menu items that follow a name's stored shortcut.
#include <gtest/gtest.h>
#include <QAction>

#include <thread>

#include "Hotkeys/Key.h"
#include "Hotkeys/Qt/MenuItemBinding.h"
#include "Hotkeys/Qt/Private/ShortcutKeySequence.h"
#include "RecorderFixture.h"

namespace hotkeys {
namespace {

using F = ModifierFlags;

struct BindingTest : testing::RecorderFixture {
    Name a{"jumpToScreen1"};
    Name b{name};
    QAction item{QStringLiteral("屏幕 1")};

    MenuItemBinding::Services services() { return {notifications, queue}; }
    QKeySequence shown() const { return item.shortcut(); }
};

QKeySequence sequence(Qt::KeyboardModifiers modifiers, Qt::Key key) {
    return QKeySequence(QKeyCombination(modifiers, key));
}

TEST_F(BindingTest, KeyEquivalentsBecomeTheKeysQtKnowsThemBy) {
    struct Case {
        const char* equivalent;
        std::uint64_t flags;
        QKeySequence expected;
    };
    const Case cases[] = {
        {"a", F::command, sequence(Qt::MetaModifier, Qt::Key_A)},
        {"1", F::option, sequence(Qt::AltModifier, Qt::Key_1)},
        {",", F::command | F::shift, sequence(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_Comma)},
        {"q", F::control | F::option | F::shift | F::command,
         sequence(Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier, Qt::Key_Q)},
        {"k", F::function | F::control, sequence(Qt::ControlModifier, Qt::Key_K)},
        {"↩", F::command, sequence(Qt::MetaModifier, Qt::Key_Return)},
        {"⌫", F::option, sequence(Qt::AltModifier, Qt::Key_Backspace)},
        {"⎋", F::control, sequence(Qt::ControlModifier, Qt::Key_Escape)},
        {" ", F::option, sequence(Qt::AltModifier, Qt::Key_Space)},
        {"←", F::option, sequence(Qt::AltModifier, Qt::Key_Left)},
        {"⇟", F::option, sequence(Qt::AltModifier, Qt::Key_PageDown)},
        {"?\u20DD", F::option, sequence(Qt::AltModifier, Qt::Key_Help)},
        {"\uF704", F::option, sequence(Qt::AltModifier, Qt::Key_F1)},
        {"\uF717", 0, sequence(Qt::NoModifier, Qt::Key_F20)},
        {"", F::command, QKeySequence()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShortcutKeySequence::fromKeyEquivalent(c.equivalent, F{c.flags}), c.expected) << c.equivalent;
    }
}

TEST_F(BindingTest, AShortcutShowsItsLayoutCharacterOrItsKeypadKey) {
    EXPECT_EQ(ShortcutKeySequence::fromShortcut(Shortcut(Key::k, F{F::command | F::shift})),
              sequence(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K));
    EXPECT_EQ(ShortcutKeySequence::fromShortcut(Shortcut(Key::f5, F{F::option})),
              sequence(Qt::AltModifier, Qt::Key_F5));
    EXPECT_EQ(ShortcutKeySequence::fromShortcut(Shortcut(Key::keypad5, F{F::option})),
              sequence(Qt::AltModifier | Qt::KeypadModifier, Qt::Key_5));
    EXPECT_EQ(ShortcutKeySequence::fromShortcut(Shortcut(Key::keypadEnter, F{F::command})),
              sequence(Qt::MetaModifier | Qt::KeypadModifier, Qt::Key_Enter));
    layout.setCharacter(static_cast<std::uint16_t>(Key::k.rawValue), std::nullopt);
    EXPECT_TRUE(ShortcutKeySequence::fromShortcut(Shortcut(Key::k, F{F::command})).isEmpty())
        << "a key that types nothing on this layout has no key equivalent";
}

TEST_F(BindingTest, AShortcutIsShownOnlyTheItemDoesNotActOnIt) {
    MenuItemBinding::setShortcut(&item, std::optional(Shortcut(Key::one, F{F::option})));
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_1));
    EXPECT_EQ(item.shortcutContext(), Qt::WidgetShortcut);
    MenuItemBinding::setShortcut(&item, std::optional<Shortcut>());
    EXPECT_TRUE(shown().isEmpty());
}

// The refresh comes one main-queue turn after the change and reads the value then.
TEST_F(BindingTest, ABoundItemFollowsItsNameOneTurnAfterEachChange) {
    MenuItemBinding::setShortcut(&item, std::optional(a), services());
    EXPECT_TRUE(shown().isEmpty()) << "nothing stored, nothing shown";

    registry.setShortcut(Shortcut(Key::k, F{F::command}), a);
    EXPECT_TRUE(shown().isEmpty()) << "not before the next turn";
    queue.drain();
    EXPECT_EQ(shown(), sequence(Qt::MetaModifier, Qt::Key_K));

    registry.setShortcut(Shortcut(Key::j, F{F::command}), a);
    registry.setShortcut(Shortcut(Key::l, F{F::option}), a);
    queue.drain();
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_L)) << "every refresh shows what is stored when it runs";

    registry.setShortcut(Shortcut(Key::m, F{F::command}), b);
    queue.drain();
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_L)) << "another name's change leaves the item alone";

    registry.setShortcut(std::nullopt, a);
    queue.drain();
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(BindingTest, RebindingOrUnbindingEndsTheOldNamesUpdates) {
    registry.setShortcut(Shortcut(Key::one, F{F::option}), a);
    registry.setShortcut(Shortcut(Key::two, F{F::option}), b);
    MenuItemBinding::setShortcut(&item, std::optional(a), services());
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_1)) << "shown at once when bound";

    registry.setShortcut(Shortcut(Key::k, F{F::command}), a);  // its refresh is still queued...
    MenuItemBinding::setShortcut(&item, std::optional(b), services());
    ASSERT_NE(MenuItemBinding::of(&item), nullptr);
    EXPECT_EQ(MenuItemBinding::of(&item)->name().rawValue, "jumpToScreen2");
    EXPECT_EQ(item.findChildren<MenuItemBinding*>().size(), 1);
    queue.drain();  // ...and does nothing once the item is bound to b
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_2));
    registry.setShortcut(Shortcut(Key::j, F{F::command}), a);
    queue.drain();
    EXPECT_EQ(shown(), sequence(Qt::AltModifier, Qt::Key_2));

    MenuItemBinding::setShortcut(&item, std::optional<Name>(), services());
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_EQ(MenuItemBinding::of(&item), nullptr);
    registry.setShortcut(Shortcut(Key::three, F{F::option}), b);
    queue.drain();
    EXPECT_TRUE(shown().isEmpty());
}

TEST_F(BindingTest, ARefreshQueuedForAnItemThatIsGoneDoesNothing) {
    auto* doomed = new QAction;
    MenuItemBinding::setShortcut(doomed, std::optional(a), services());
    registry.setShortcut(Shortcut(Key::k, F{F::command}), a);
    delete doomed;
    EXPECT_EQ(queue.pendingCount(), 1u);
    queue.drain();
    registry.setShortcut(Shortcut(Key::j, F{F::command}), a);
    EXPECT_EQ(queue.pendingCount(), 0u) << "the observer went with the item";
}

// A change announced on another thread is still shown from the main queue.
TEST_F(BindingTest, AChangePostedOnAnotherThreadIsShownFromTheMainQueue) {
    MenuItemBinding::setShortcut(&item, std::optional(a), services());
    defaults.set(a.userDefaultsKey(), Shortcut(Key::k, F{F::command}).encoded());
    std::thread([this] { notifications.post(kShortcutByNameDidChange, {{"name", a.toJSON()}}); }).join();
    EXPECT_TRUE(shown().isEmpty());
    queue.drain();
    EXPECT_EQ(shown(), sequence(Qt::MetaModifier, Qt::Key_K));
}

}  // namespace
}  // namespace hotkeys
