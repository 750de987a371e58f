#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <memory>
#include <vector>

#include "Platform/Qt/QtMenuKeyMonitor.h"
#include "Platform/X11/X11KeyTranslator.h"
#include "tests/Platform/Qt/MenuKeys/XcbApplication.h"
#include "tests/support/RecordedKeyPresses.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XTestKeyboard.h"

namespace tessivar::testing {
namespace {

using platform::KeyboardEvent;

// Carbon key codes of the keys typed here.
constexpr std::uint32_t kKey2 = 19;
constexpr std::uint32_t kLeftShift = 56;
constexpr std::uint32_t kOptionModifier = 0x800;
constexpr unsigned kX11KeyCode2 = 11;

struct RawKey {
    std::uint32_t kind = 0;
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;
    friend bool operator==(const RawKey&, const RawKey&) = default;
    friend std::ostream& operator<<(std::ostream& out, const RawKey& key) {
        return out << (key.kind == platform::kEventRawKeyDown ? "down " : "up ") << key.keyCode << " mask "
                   << key.modifiers;
    }
};

// Counts the key events of one key that reach the menu itself, after every
// application-wide filter.
class MenuKeySpy : public QObject {
public:
    explicit MenuKeySpy(QMenu& menu) { menu.installEventFilter(this); }
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->nativeScanCode() == kX11KeyCode2) {
            ++presses;
        }
        return false;
    }
};

// A menu popped up on the test server with the monitor running and typed on
// with XTest. The callback consumes the keys `consume` names.
class QtMenuKeyMonitorTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (XcbApplication::startError()) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*XcbApplication::startError());
        keyboard_ = std::make_unique<XTestKeyboard>(XcbApplication::displayName());
        ASSERT_TRUE(keyboard_->isReady());
        monitor_.setCallback([this](const KeyboardEvent& event) {
            seen_.push_back({event.kind, event.keyCode.value_or(0), event.modifiers.value_or(0)});
            return consume_(seen_.back());
        });
        monitor_.start();
        menu_.addAction("Jump");
        ASSERT_NO_FATAL_FAILURE(openMenu());
    }
    void TearDown() override {
        monitor_.stop();
        menu_.close();
        keyboard_.reset();
    }

    // Types Shift until the monitor sees it: from then on the menu holds the
    // keyboard, whenever the window system got round to giving it.
    void openMenu() {
        menu_.popup(QPoint(100, 100));
        ASSERT_TRUE(XcbApplication::runUntil([&] { return menu_.isVisible(); }));
        X11Observer(XcbApplication::displayName()).warpPointer({120, 110});
        const bool holdsKeyboard = XcbApplication::runUntil([&] {
            keyboard_->tap({"Shift_L"});
            return XcbApplication::runUntil([&] { return sawKey(kLeftShift); }, std::chrono::milliseconds(100));
        });
        ASSERT_TRUE(holdsKeyboard) << "the menu never got the keyboard";
        seen_.clear();
    }

    bool sawKey(std::uint32_t keyCode) const {
        return std::any_of(seen_.begin(), seen_.end(), [&](const RawKey& key) {
            return key.kind == platform::kEventRawKeyUp && key.keyCode == keyCode;
        });
    }

    std::vector<RawKey> seenOf(std::uint32_t keyCode) const {
        std::vector<RawKey> of;
        std::copy_if(seen_.begin(), seen_.end(), std::back_inserter(of),
                     [&](const RawKey& k) { return k.keyCode == keyCode; });
        return of;
    }

    void typeAltTwo() {
        keyboard_->tap({"Alt_L", "2"});
        ASSERT_TRUE(XcbApplication::runUntil([&] { return sawKey(kKey2); }))
            << "seen " << ::testing::PrintToString(seen_) << " with the menu "
            << (menu_.isVisible() ? "open" : "closed");
    }

    platform::X11KeyTranslator keys_{XcbApplication::displayName().c_str()};
    platform::QtMenuKeyMonitor monitor_{keys_};
    QMenu menu_;
    std::unique_ptr<XTestKeyboard> keyboard_;
    std::vector<RawKey> seen_;
    std::function<bool(const RawKey&)> consume_ = [](const RawKey& key) { return key.keyCode == kKey2; };
};

const RawKey kAltTwoDown{platform::kEventRawKeyDown, kKey2, kOptionModifier};
const RawKey kAltTwoUp{platform::kEventRawKeyUp, kKey2, kOptionModifier};

TEST_F(QtMenuKeyMonitorTest, AltTwoInAnOpenMenuIsARawKeyEventTheMenuNeverSees) {
    MenuKeySpy spy(menu_);

    typeAltTwo();

    EXPECT_EQ(seenOf(kKey2), (std::vector<RawKey>{kAltTwoDown, kAltTwoUp}));
    EXPECT_EQ(spy.presses, 0);
}

TEST_F(QtMenuKeyMonitorTest, AKeyTheCallbackLeavesReachesTheMenu) {
    consume_ = [](const RawKey&) { return false; };
    MenuKeySpy spy(menu_);

    typeAltTwo();

    EXPECT_EQ(seenOf(kKey2), (std::vector<RawKey>{kAltTwoDown, kAltTwoUp}));
    EXPECT_EQ(spy.presses, 1);
}

TEST_F(QtMenuKeyMonitorTest, AHeldKeyIsOneDown) {
    RecordedKeyPresses presses(XcbApplication::displayName(), "2");
    ASSERT_TRUE(presses.isRecording());

    keyboard_->setFastAutoRepeat(true);
    keyboard_->press("2");
    ASSERT_TRUE(XcbApplication::runUntil([&] { return presses.count() >= 5; })) << "the key never repeated";
    keyboard_->release("2");
    keyboard_->setFastAutoRepeat(false);
    ASSERT_TRUE(XcbApplication::runUntil([&] { return sawKey(kKey2); }));

    EXPECT_EQ(seenOf(kKey2),
              (std::vector<RawKey>{{platform::kEventRawKeyDown, kKey2, 0}, {platform::kEventRawKeyUp, kKey2, 0}}));
}

// The server's repeat of a held key is a release and a press with one time
// stamp; Qt flags them only when it happens to have read both together.
TEST_F(QtMenuKeyMonitorTest, ARepeatQtTookForARealReleaseStaysOneHold) {
    const auto send = [&](QEvent::Type type, ulong time) {
        QKeyEvent event(type, Qt::Key_2, Qt::NoModifier, kX11KeyCode2, 0, 0);
        event.setTimestamp(time);
        return QCoreApplication::sendEvent(&menu_, &event);
    };
    const std::vector<RawKey> oneTap{{platform::kEventRawKeyDown, kKey2, 0}, {platform::kEventRawKeyUp, kKey2, 0}};

    EXPECT_TRUE(send(QEvent::KeyPress, 100));
    EXPECT_TRUE(send(QEvent::KeyRelease, 200));
    EXPECT_TRUE(send(QEvent::KeyPress, 200));
    EXPECT_TRUE(send(QEvent::KeyRelease, 300));
    EXPECT_EQ(seenOf(kKey2), oneTap);

    seen_.clear();
    send(QEvent::KeyPress, 400);
    send(QEvent::KeyRelease, 500);
    EXPECT_EQ(seenOf(kKey2), oneTap);
}

// The style's menu-bar navigation closes a menu at Alt; the Alt that begins a
// hot key must leave it open, or the keys after it go past the monitor.
TEST_F(QtMenuKeyMonitorTest, AnAltPressLeavesTheMenuOpen) {
    QKeyEvent alt(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier, 64, 0xffe9, 0);
    QCoreApplication::sendEvent(&menu_, &alt);
    EXPECT_TRUE(menu_.isVisible());
    EXPECT_EQ(seen_, (std::vector<RawKey>{{platform::kEventRawKeyDown, 58, 0}}));
}

TEST_F(QtMenuKeyMonitorTest, AfterStopTheMenuHasItsKeysAgain) {
    MenuKeySpy spy(menu_);
    monitor_.stop();

    keyboard_->tap({"Alt_L", "2"});
    ASSERT_TRUE(XcbApplication::runUntil([&] { return spy.presses == 1; }));

    EXPECT_EQ(seen_, std::vector<RawKey>{});
}

}  // namespace
}  // namespace tessivar::testing
