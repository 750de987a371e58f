// What the shortcut package offers forms and windows around the recorder: an
// action that carries a name's shortcut, recorder rows, and hot-key events
// heard while a widget is on screen.
#include <gtest/gtest.h>
#include <QAction>
#include <QBoxLayout>
#include <QLabel>
#include <QTest>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Key.h"
#include "Hotkeys/Qt/ActionShortcutBinding.h"
#include "Hotkeys/Qt/Recorder.h"
#include "Hotkeys/Qt/ShortcutEvents.h"
#include "RecorderFixture.h"

namespace hotkeys::testing {
namespace {

constexpr std::uint32_t kOption = 2048;
constexpr std::int64_t kCarbonK = 40;

QKeySequence sequence(Qt::KeyboardModifiers modifiers, Qt::Key key) {
    return QKeySequence(QKeyCombination(modifiers, key));
}

struct ActionBinding : RecorderFixture {
    ActionBinding() {
        statusObserver.reset();  // it reads every status as a Boolean; these tests post others
        window.addAction(&action);
        QObject::connect(&action, &QAction::triggered, [this] { ++triggered; });
        ActionShortcutBinding::bind(&action, name, notifications);
    }
    QAction action{QStringLiteral("跳转")};
    int triggered = 0;
};

// While any recorder records the action has no shortcut, so the keys reach the
// recorder; afterwards it carries what was recorded, and the keys trigger it.
TEST_F(ActionBinding, CarriesTheStoredShortcutExceptWhileARecorderRecords) {
    EXPECT_EQ(action.shortcut(), sequence(Qt::AltModifier, Qt::Key_2));

    clickRecorder();
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_TRUE(action.shortcut().isEmpty());

    pressOnRecorder(Qt::Key_K, kCarbonK, Native::kControl | Native::kAlt);
    ASSERT_FALSE(recorder->isRecording());
    EXPECT_EQ(action.shortcut(), sequence(Qt::ControlModifier | Qt::AltModifier, Qt::Key_K));
    QTest::keyClick(&window, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(triggered, 1);

    registry.setShortcut(std::nullopt, name);
    EXPECT_TRUE(action.shortcut().isEmpty()) << "a removed shortcut leaves the action without one";
}

TEST_F(ActionBinding, ReadsTheRecorderStatusAsAStateAndIgnoresOtherNames) {
    notifications.post(kRecorderActiveStatusDidChange, {{"isActive", true}});
    EXPECT_TRUE(action.shortcut().isEmpty());
    notifications.post(kRecorderActiveStatusDidChange);
    EXPECT_FALSE(ActionShortcutBinding::bind(&action, name, notifications)->isRecorderActive());
    EXPECT_EQ(action.shortcut(), sequence(Qt::AltModifier, Qt::Key_2)) << "a status without user info is not recording";
    EXPECT_EQ(action.findChildren<ActionShortcutBinding*>().size(), 1) << "binding again replaced the first";

    notifications.post(kRecorderActiveStatusDidChange, {{"isActive", "yes"}});
    EXPECT_EQ(action.shortcut(), sequence(Qt::AltModifier, Qt::Key_2)) << "only a Boolean true means recording";

    const Name other{"jumpToScreen3"};
    defaults.set(name.userDefaultsKey(), Shortcut(Key::j, ModifierFlags{ModifierFlags::command}).encoded());
    registry.setShortcut(Shortcut(Key::l, ModifierFlags{ModifierFlags::command}), other);
    EXPECT_EQ(action.shortcut(), sequence(Qt::AltModifier, Qt::Key_2)) << "another name's change reads nothing";
    registry.postShortcutByNameDidChange(name);
    EXPECT_EQ(action.shortcut(), sequence(Qt::MetaModifier, Qt::Key_J));
}

TEST_F(RecorderFixture, LabelledRowsLineTheirRecordersUpAndAnUnlabelledRowIsTheRecorderAlone) {
    QWidget form;
    auto* column = new QVBoxLayout(&form);
    auto* short_ = new Recorder(QStringLiteral("屏幕 1"), Name("jumpToScreen1"), environment());
    auto* long_ = new Recorder(QStringLiteral("跳转到一块很远很远的屏幕"), name, environment());
    auto* bare = new Recorder(Name("jumpToScreen3"), environment());
    for (auto* row : {short_, long_, bare}) column->addWidget(row);
    Recorder::lineUp({short_, long_, bare});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    EXPECT_EQ(short_->recorder()->mapTo(&form, QPoint()).x(), long_->recorder()->mapTo(&form, QPoint()).x());
    EXPECT_GT(short_->recorder()->x(), short_->label()->sizeHint().width()) << "the short label was widened";
    EXPECT_EQ(bare->label(), nullptr);
    EXPECT_EQ(bare->findChildren<QLabel*>().size(), 0);
    EXPECT_EQ(long_->recorder()->stringValue().toStdString(), "⌥2");
}

TEST_F(RecorderFixture, ARowGivenAnotherNameShowsThatNamesShortcut) {
    Recorder row(name, environment());
    EXPECT_EQ(row.recorder()->stringValue().toStdString(), "⌥2");
    registry.setShortcut(Shortcut(Key::three, ModifierFlags{ModifierFlags::option}), Name("jumpToScreen3"));
    row.setShortcutName(Name("jumpToScreen3"));
    EXPECT_EQ(row.recorder()->stringValue().toStdString(), "⌥3");
    EXPECT_EQ(row.recorder()->shortcutName().rawValue, "jumpToScreen3");
}

// Each press and release reaches the action while the window is on screen;
// hidden, it hears nothing, and shown again it hears again. Both names of the
// two forms behave alike.
TEST_F(RecorderFixture, HotKeyEventsReachAWidgetOnlyWhileItIsOnScreen) {
    using Both = ShortcutEvents* (*)(QWidget*, Name, ShortcutEvents::Action);
    using Typed = ShortcutEvents* (*)(QWidget*, EventType, Name, std::function<void()>);
    const struct {
        const char* what;
        Both both;
        Typed typed;
    } forms[] = {
        {"attach", &ShortcutEvents::attach, &ShortcutEvents::attach},
        {"onShortcutEvent", &ShortcutEvents::onShortcutEvent, &ShortcutEvents::onShortcutEvent},
    };
    for (const auto& form : forms) {
        SCOPED_TRACE(form.what);
        QWidget widget;
        widget.show();
        std::vector<EventType> all;
        int downs = 0;
        auto* both = form.both(&widget, name, [&](EventType type) { all.push_back(type); });
        form.typed(&widget, EventType::keyDown, name, [&] { ++downs; });
        ASSERT_TRUE(both->isSubscribed());
        queue.drain();  // streams start on the main queue

        service.press(19, kOption);
        service.release(19, kOption);
        EXPECT_EQ(all, (std::vector<EventType>{EventType::keyDown, EventType::keyUp}));
        EXPECT_EQ(downs, 1);

        widget.hide();
        EXPECT_FALSE(both->isSubscribed());
        queue.drain();
        service.press(19, kOption);
        EXPECT_EQ(all.size(), 2u);
        EXPECT_EQ(downs, 1);

        widget.show();
        queue.drain();
        service.press(19, kOption);
        EXPECT_EQ(all.size(), 3u);
        EXPECT_EQ(downs, 2);
    }
}

}  // namespace
}  // namespace hotkeys::testing
