#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "Hotkeys/Hotkeys.h"
#include "RecorderFixture.h"

namespace hotkeys::testing {
namespace {

constexpr std::int64_t kCarbonShift = 512;
constexpr std::int64_t kCarbonOption = 2048;
constexpr std::int64_t kCarbonControl = 4096;

TEST_F(RecorderFixture, RecordsOptionShift5AndTheHotKeysFollow) {
    EXPECT_EQ(recorder->stringValue().toStdString(), "⌥2");
    EXPECT_TRUE(recorder->showsCancelButton());
    EXPECT_EQ(recorder->placeholderText().toStdString(), "录制快捷键");
    ASSERT_TRUE(service.isGrabbed(19, kCarbonOption));

    clickRecorder();
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_EQ(recorder->placeholderText().toStdString(), "按下快捷键");
    EXPECT_TRUE(registry.isPaused());
    EXPECT_FALSE(service.isGrabbed(19, kCarbonOption)) << "paused: the keys reach the recorder";
    EXPECT_EQ(activeStatuses, (std::vector<bool>{true}));

    pressOnRecorder(Qt::Key_Alt, 58);  // the modifiers go down first: no key of a shortcut
    pressOnRecorder(Qt::Key_Shift, 56, Native::kAlt);
    EXPECT_TRUE(recorder->isRecording());
    pressOnRecorder(Qt::Key_Percent, 23, Native::kAlt | Native::kShift);

    EXPECT_EQ(stored(), Shortcut(23, kCarbonOption | kCarbonShift));
    EXPECT_EQ(recorder->stringValue().toStdString(), "⌥⇧5");
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{Shortcut(23, kCarbonOption | kCarbonShift)}));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(recorder->hasFocus());
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(activeStatuses, (std::vector<bool>{true, false}));
    EXPECT_TRUE(service.isGrabbed(23, kCarbonOption | kCarbonShift));
    EXPECT_FALSE(service.isGrabbed(19, kCarbonOption)) << "the old shortcut no longer jumps";
    EXPECT_EQ(service.press(23, kCarbonOption | kCarbonShift), platform::noErr);
    EXPECT_EQ(hotKeyPresses, 1);
}

// Keys that cannot be a shortcut are refused with a beep and recording goes on.
TEST_F(RecorderFixture, RefusesKeysThatCannotBeAShortcutAndKeepsRecording) {
    clickRecorder();
    struct Case {
        const char* what;
        int qtKey;
        std::optional<std::int64_t> carbon;
        std::uint32_t modifiers;
    };
    const Case refused[] = {
        {"A", Qt::Key_A, 0, 0},
        {"Shift-A", Qt::Key_A, 0, Native::kShift},
        {"A with Caps Lock", Qt::Key_A, 0, Native::kLock},
        {"keypad 5 with Num Lock", Qt::Key_5, 87, Native::kNumLock},
        {"a dead key alone", Qt::Key_Dead_Acute, 39, 0},
        {"Shift-Tab", Qt::Key_Backtab, 48, Native::kShift},
        {"a key the keyboard map lacks", Qt::Key_F13, std::nullopt, Native::kAlt},
    };
    for (const auto& c : refused) {
        pressOnRecorder(c.qtKey, c.carbon, c.modifiers);
        EXPECT_TRUE(recorder->isRecording()) << c.what;
        EXPECT_EQ(stored(), Shortcut(19, kCarbonOption)) << c.what;
    }
    EXPECT_TRUE(changes.empty());
    EXPECT_GE(keys.refreshes, 7) << "the keymap is read again for every key";

    pressOnRecorder(Qt::Key_5, 87, Native::kControl | Native::kNumLock);
    EXPECT_EQ(stored(), Shortcut(87, kCarbonControl)) << "a keypad key with a modifier is recorded";
}

TEST_F(RecorderFixture, EscapeTabAndTheDeletionKeysEndOrEditTheRecording) {
    clickRecorder();
    pressOnRecorder(Qt::Key_Escape, 53);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(stored(), Shortcut(19, kCarbonOption)) << "Escape keeps the old shortcut";

    clickRecorder();
    pressOnRecorder(Qt::Key_Tab, 48);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_TRUE(nextField->hasFocus()) << "Tab moves focus on as usual";

    clickRecorder();
    pressOnRecorder(Qt::Key_Backspace, 51);
    EXPECT_EQ(stored(), std::nullopt);
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(recorder->isRecording()) << "recording goes on after a removal";
    EXPECT_FALSE(recorder->showsCancelButton());
    pressOnRecorder(Qt::Key_Delete, 117);
    EXPECT_EQ(changes.size(), 1u) << "nothing more to remove";

    pressOnRecorder(Qt::Key_F5, 96);
    EXPECT_EQ(stored(), Shortcut(96, 0)) << "a function key may stand alone";
    EXPECT_EQ(recorder->stringValue().toStdString(), "F5");
}

TEST_F(RecorderFixture, TheClearButtonRemovesTheShortcutAndStartsRecording) {
    QTest::mouseClick(recorder->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(stored(), std::nullopt);
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_TRUE(recorder->stringValue().isEmpty());
    EXPECT_EQ(recorder->placeholderText().toStdString(), "按下快捷键");
}

TEST_F(RecorderFixture, AMenuShortcutIsRefusedWithAWindowModalAlert) {
    clickRecorder();
    pressOnRecorder(Qt::Key_Q, 12, Native::kSuper);
    QMessageBox* box = alert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::WindowModal);
    EXPECT_EQ(box->parentWidget(), &window);
    EXPECT_EQ(box->text().toStdString(), "此快捷键无法使用，因为菜单项“退出”已在使用它。");
    EXPECT_EQ(box->buttons().size(), 1);
    EXPECT_FALSE(recorder->isRecording()) << "the hot keys run while the alert is up";
    EXPECT_FALSE(registry.isPaused());

    answer(box, "好");
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, 2000)) << "recording resumes";
    EXPECT_EQ(stored(), Shortcut(19, kCarbonOption));
    EXPECT_TRUE(changes.empty());
}

TEST_F(RecorderFixture, AShortcutAnotherProgramHoldsIsTakenOnlyWhenTheUserInsists) {
    platform::EventHotKeyRef otherProgram = 0;
    ASSERT_EQ(service.registerHotKey(17, kCarbonControl | kCarbonOption, {0x4F544852, 1}, &otherProgram),
              platform::noErr);
    clickRecorder();
    pressOnRecorder(Qt::Key_T, 17, Native::kControl | Native::kAlt);
    QMessageBox* box = alert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text().toStdString(), "此快捷键无法使用，因为系统或其他程序已在使用它。");
    ASSERT_EQ(box->buttons().size(), 2);
    answer(box, "好");
    EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->isRecording(); }, 2000));
    EXPECT_EQ(stored(), Shortcut(19, kCarbonOption)) << "declined";

    pressOnRecorder(Qt::Key_T, 17, Native::kControl | Native::kAlt);
    box = alert();
    ASSERT_NE(box, nullptr);
    answer(box, "仍然使用");
    EXPECT_TRUE(QTest::qWaitFor([&] { return stored() == Shortcut(17, kCarbonControl | kCarbonOption); }, 2000));
    EXPECT_EQ(changes, (std::vector<std::optional<Shortcut>>{Shortcut(17, kCarbonControl | kCarbonOption)}));
    EXPECT_FALSE(recorder->isRecording());
}
// Two recorders in two windows: the idle one's window going to the background
// must not cut the other's recording short.
TEST_F(RecorderFixture, OnlyTheRecorderThatPausedTheHotKeysResumesThem) {
    QWidget otherWindow;
    auto* idle = new RecorderCocoa(Name("jumpToScreen3"), environment(), {}, &otherWindow);
    otherWindow.show();
    clickRecorder();
    ASSERT_TRUE(registry.isPaused());

    QEvent deactivate(QEvent::WindowDeactivate);
    QApplication::sendEvent(&otherWindow, &deactivate);
    EXPECT_FALSE(idle->isRecording());
    EXPECT_EQ(activeStatuses, (std::vector<bool>{true, false})) << "the idle one says it is not recording";
    EXPECT_TRUE(registry.isPaused()) << "but the hot keys stay paused for the one that is";
    EXPECT_TRUE(recorder->isRecording());

    pressOnRecorder(Qt::Key_7, 26, Native::kControl | Native::kAlt);
    EXPECT_EQ(stored(), Shortcut(26, kCarbonControl | kCarbonOption));
    EXPECT_FALSE(registry.isPaused());
}

TEST_F(RecorderFixture, ARecorderHiddenOrGoneWhileRecordingEndsTheRecording) {
    clickRecorder();
    recorder->hide();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(activeStatuses, (std::vector<bool>{true, false}));

    recorder->show();
    clickRecorder();
    ASSERT_TRUE(registry.isPaused());
    delete recorder;
    recorder = nullptr;
    EXPECT_FALSE(registry.isPaused()) << "a recorder that goes must not leave the hot keys paused";
    EXPECT_EQ(activeStatuses, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(service.isGrabbed(19, kCarbonOption));
    press(nextField, Qt::Key_A, 0);  // no monitor is left to take it
}

TEST_F(RecorderFixture, TheWindowGoingToTheBackgroundEndsRecordingAndComingBackDoesNotStartIt) {
    clickRecorder();
    ASSERT_TRUE(recorder->isRecording());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(registry.isPaused());

    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QApplication::processEvents();
    EXPECT_FALSE(recorder->isRecording()) << "the window's own choice of focus does not record";

    QWidget lone;
    auto* only = new RecorderCocoa(Name("jumpToScreen4"), environment(), {}, &lone);
    lone.show();
    lone.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&lone));
    QApplication::processEvents();
    EXPECT_FALSE(only->isRecording()) << "a recorder that is a window's first field waits for the user";
}

TEST_F(RecorderFixture, AMouseReleaseEndsRecordingOnlyWellOutsideTheField) {
    clickRecorder();
    const auto release = [&](QPoint inRecorder) {
        const QPoint at = recorder->mapTo(&window, inRecorder);
        QMouseEvent event(QEvent::MouseButtonRelease, at, window.mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&window, &event);
    };
    release({recorder->width() + 2, 5});
    EXPECT_TRUE(recorder->isRecording()) << "2 points outside still belongs to the field";
    release({recorder->width() + 4, 5});
    EXPECT_FALSE(recorder->isRecording());
}

TEST_F(RecorderFixture, TheTextFollowsTheNamesStoredShortcut) {
    registry.setShortcut(Shortcut(20, kCarbonOption), name);
    EXPECT_EQ(recorder->stringValue().toStdString(), "⌥3");
    registry.setShortcut(Shortcut(21, kCarbonOption), Name("jumpToScreen5"));
    EXPECT_EQ(recorder->stringValue().toStdString(), "⌥3") << "another name's change";
    recorder->setStringValue("x");
    recorder->setShortcutName(Name("jumpToScreen2"));
    EXPECT_EQ(recorder->stringValue().toStdString(), "x") << "the same name changes nothing";
    recorder->setShortcutName(Name("jumpToScreen5"));
    EXPECT_EQ(recorder->stringValue().toStdString(), "⌥4");
    registry.setShortcut(std::nullopt, Name("jumpToScreen5"));
    EXPECT_TRUE(recorder->stringValue().isEmpty());
    EXPECT_FALSE(recorder->showsCancelButton());
    EXPECT_TRUE(changes.empty()) << "programmatic changes are not the user's";
}

}  // namespace
}  // namespace hotkeys::testing
