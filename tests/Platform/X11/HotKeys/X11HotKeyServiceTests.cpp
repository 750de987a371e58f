#include <memory>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "Platform/X11/X11HotKeyService.h"
#include "tests/Platform/X11/HotKeys/CompetingClient.h"
#include "tests/Platform/X11/HotKeys/HotKeyRecorder.h"
#include "tests/support/RecordedKeyPresses.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XTestKeyboard.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using platform::EventHotKeyRef;
using platform::X11HotKeyService;

constexpr std::uint32_t kSignature = 0x53534B53;
// Carbon key codes and modifiers.
constexpr std::uint32_t kKey1 = 18;
constexpr std::uint32_t kKey2 = 19;
constexpr std::uint32_t kKeyF12 = 111;
constexpr std::uint32_t kCommand = 0x100;
constexpr std::uint32_t kShift = 0x200;
constexpr std::uint32_t kOption = 0x800;
constexpr std::uint32_t kControl = 0x1000;
constexpr std::uint32_t kFunction = 0x20000;
// X modifier bits of the test server's keymap.
constexpr unsigned kXShift = 0x01;
constexpr unsigned kXMod1 = 0x08;
constexpr unsigned kXMod2 = 0x10;
constexpr unsigned kXMod3 = 0x20;
constexpr unsigned kXMod4 = 0x40;
constexpr int kXBadAccess = 10;

constexpr std::uint32_t kSentinelId = 99;

// One service per test on one server per suite, typed on with XTest. Every
// test also registers Control-F12 as a sentinel: events arrive in order, so
// once the sentinel's release is in, so is everything typed before it, and a
// test can say what did not arrive without waiting for a while.
class X11HotKeyServiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XorgDummyServer>();
        startError_ = server_->start({{1024, 768, 0, 0}});
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (startError_) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError_);
        keyboard_ = std::make_unique<XTestKeyboard>(server_->displayName());
        ASSERT_TRUE(keyboard_->isReady());
        service_ = std::make_unique<X11HotKeyService>(server_->displayName().c_str());
        ASSERT_TRUE(service_->isConnected());
        recorder_ = std::make_unique<HotKeyRecorder>(*service_);
        ASSERT_EQ(registerKey(kKeyF12, kControl, kSentinelId), platform::noErr);
    }
    void TearDown() override {
        recorder_.reset();
        service_.reset();
        keyboard_.reset();
    }

    platform::OSStatus registerKey(std::uint32_t key, std::uint32_t modifiers, std::uint32_t id,
                                   EventHotKeyRef* ref = nullptr) {
        EventHotKeyRef unused = 0;
        return service_->registerHotKey(key, modifiers, {kSignature, id}, ref ? ref : &unused);
    }

    // Everything but the sentinel that arrived before a fresh tap of the sentinel.
    std::vector<SeenHotKey> seenBeforeSentinel() {
        const auto sentinelsBefore = std::count(recorder_->seen().begin(), recorder_->seen().end(), up(kSentinelId));
        keyboard_->tap({"Control_L", "F12"});
        const bool arrived = pumpUntil(*service_, [&] {
            return std::count(recorder_->seen().begin(), recorder_->seen().end(), up(kSentinelId)) > sentinelsBefore;
        });
        EXPECT_TRUE(arrived) << "the sentinel hot key never came back";
        return recorder_->seenExcept(kSentinelId);
    }

    static inline std::unique_ptr<XorgDummyServer> server_;
    static inline platform::Failure startError_;
    std::unique_ptr<XTestKeyboard> keyboard_;
    std::unique_ptr<X11HotKeyService> service_;
    std::unique_ptr<HotKeyRecorder> recorder_;
};

using Seen = std::vector<SeenHotKey>;

TEST_F(X11HotKeyServiceTest, AltOneGivesOnePressAndOneReleaseWithItsId) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);

    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7)}));
}

// Each press hands on where the pointer was when its key went down; a release
// has no position to give.
TEST_F(X11HotKeyServiceTest, APressCarriesThePointerWhereItWasWhenTheKeyWentDown) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);
    std::vector<std::optional<platform::EventPointerPosition>> pointers;
    platform::EventHandlerRef handler = 0;
    ASSERT_EQ(service_->installEventHandler(
                  [&](const platform::KeyboardEvent&) {
                      pointers.push_back(service_->pointerAtCurrentEvent());
                      return platform::eventNotHandledErr;
                  },
                  &handler),
              platform::noErr);
    ASSERT_EQ(service_->addEventTypes(handler, {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
                                                {platform::kEventClassKeyboard, platform::kEventHotKeyReleased}}),
              platform::noErr);
    const X11Observer observer(server_->displayName());

    for (const PointerPosition at : {PointerPosition{300, 200}, PointerPosition{700, 500}}) {
        ASSERT_TRUE(observer.warpPointer(at));
        keyboard_->tap({"Alt_L", "1"});
    }
    seenBeforeSentinel();

    ASSERT_GE(pointers.size(), 4u);
    ASSERT_TRUE(pointers[0] && pointers[2]) << "a press came without the pointer";
    EXPECT_EQ((PointerPosition{pointers[0]->x, pointers[0]->y}), (PointerPosition{300, 200}));
    EXPECT_EQ((PointerPosition{pointers[2]->x, pointers[2]->y}), (PointerPosition{700, 500}));
    EXPECT_NE(pointers[0]->event, pointers[2]->event);
    EXPECT_FALSE(pointers[1]) << "a release has no press position";
    EXPECT_FALSE(service_->pointerAtCurrentEvent()) << "nothing is being handled now";
}

TEST_F(X11HotKeyServiceTest, LockedNumLockAndCapsLockDoNotStopAHotKey) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);

    keyboard_->setLocked("Num_Lock", true);
    keyboard_->tap({"Alt_L", "1"});
    keyboard_->setLocked("Caps_Lock", true);
    keyboard_->tap({"Alt_L", "1"});
    keyboard_->setLocked("Num_Lock", false);
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7), down(7), up(7), down(7), up(7)}));
}

TEST_F(X11HotKeyServiceTest, TheReleaseArrivesWhenAltIsLetGoFirst) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);

    keyboard_->press("Alt_L");
    keyboard_->press("1");
    keyboard_->release("Alt_L");
    keyboard_->release("1");

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7)}));
}

TEST_F(X11HotKeyServiceTest, AHeldKeyGivesOnePress) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);
    RecordedKeyPresses presses(server_->displayName(), "1");
    ASSERT_TRUE(presses.isRecording());

    keyboard_->setFastAutoRepeat(true);
    keyboard_->press("Alt_L");
    keyboard_->press("1");
    keyboard_->press("1");  // pressed again without a release, as XTest allows
    ASSERT_TRUE(waitUntil([&] { return presses.count() >= 5; }, std::chrono::seconds(5))) << "the key never repeated";
    keyboard_->release("1");
    keyboard_->release("Alt_L");
    keyboard_->setFastAutoRepeat(false);

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7)}));
}

// Fingers rolling from Alt+2 onto Alt+1: the 1 goes down inside the grab the
// 2 started and comes up after that grab ended, so its release goes to the
// focused window. The next Alt+1 is a press of its own all the same.
TEST_F(X11HotKeyServiceTest, AKeyRolledOntoFromAnotherHotKeyIsPressedAgainLater) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);
    ASSERT_EQ(registerKey(kKey2, kOption, 8), platform::noErr);

    keyboard_->press("Alt_L");
    keyboard_->press("2");
    keyboard_->press("1");
    keyboard_->release("2");
    keyboard_->release("1");
    keyboard_->release("Alt_L");
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(8), down(7), up(8), up(7), down(7), up(7)}));
}

TEST_F(X11HotKeyServiceTest, ACombinationAnotherClientHoldsIsRefusedAndLeavesNoGrabBehind) {
    CompetingClient other(server_->displayName());
    ASSERT_EQ(other.grab("1", kXMod1), 0);

    EXPECT_EQ(registerKey(kKey1, kOption, 7), platform::eventHotKeyExistsErr);
    // The variants with locks that did go through were given back.
    EXPECT_EQ(other.grab("1", kXMod1 | kXMod2), 0);
    EXPECT_EQ(other.grab("1", kXMod1 | 0x02 /* Lock */), 0);

    ASSERT_EQ(registerKey(kKey2, kOption, 8), platform::noErr);
    keyboard_->tap({"Alt_L", "2"});
    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(8), up(8)}));
}

TEST_F(X11HotKeyServiceTest, ACombinationRegisteredTwiceIsRefusedAndTheFirstKeepsWorking) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);

    EXPECT_EQ(registerKey(kKey1, kOption, 8), platform::eventHotKeyExistsErr);
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7)}));
}

TEST_F(X11HotKeyServiceTest, NothingArrivesAfterUnregistering) {
    EventHotKeyRef ref = 0;
    ASSERT_EQ(registerKey(kKey1, kOption, 7, &ref), platform::noErr);
    keyboard_->press("Alt_L");
    keyboard_->press("1");
    ASSERT_TRUE(pumpUntil(*service_, [&] { return recorder_->hasSeen(down(7)); }));

    ASSERT_EQ(service_->unregisterHotKey(ref), platform::noErr);
    keyboard_->release("1");
    keyboard_->release("Alt_L");
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7)}));
    EXPECT_NE(service_->unregisterHotKey(ref), platform::noErr);
    // The server no longer holds it for us.
    EXPECT_EQ(CompetingClient(server_->displayName()).grab("1", kXMod1), 0);
}

TEST_F(X11HotKeyServiceTest, AHandlerReceivesOnlyTheKindsAddedToIt) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);
    Seen bare;
    platform::EventHandlerRef handler = 0;
    ASSERT_EQ(service_->installEventHandler(
                  [&](const platform::KeyboardEvent& event) {
                      bare.push_back({event.kind, event.hotKeyID->id});
                      return platform::noErr;
                  },
                  &handler),
              platform::noErr);

    keyboard_->tap({"Alt_L", "1"});
    seenBeforeSentinel();
    EXPECT_EQ(bare, Seen{});

    ASSERT_EQ(service_->addEventTypes(handler, {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
                                                {platform::kEventClassKeyboard, platform::kEventHotKeyReleased}}),
              platform::noErr);
    ASSERT_EQ(service_->removeEventTypes(handler, {{platform::kEventClassKeyboard, platform::kEventHotKeyReleased}}),
              platform::noErr);
    keyboard_->tap({"Alt_L", "1"});
    seenBeforeSentinel();
    EXPECT_EQ(bare, (Seen{down(7), down(kSentinelId)}));

    EXPECT_EQ(service_->addEventTypes(handler + 100, {}), platform::eventNotHandledErr);
}

TEST_F(X11HotKeyServiceTest, CommandAndControlShiftGrabTheirOwnModifiers) {
    ASSERT_EQ(registerKey(kKey1, kCommand, 1), platform::noErr);
    ASSERT_EQ(registerKey(kKey2, kControl | kShift, 2), platform::noErr);
    // Held by us: Super is Mod4 here.
    EXPECT_EQ(CompetingClient(server_->displayName()).grab("1", kXMod4), kXBadAccess);

    keyboard_->tap({"Alt_L", "1"});
    keyboard_->tap({"Super_L", "1"});
    keyboard_->tap({"Control_L", "2"});
    keyboard_->tap({"Control_L", "Shift_L", "2"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(1), up(1), down(2), up(2)}));
}

TEST_F(X11HotKeyServiceTest, WhatXCannotGrabIsInvalid) {
    EXPECT_EQ(registerKey(kKey1, kOption | kFunction, 1), platform::eventHotKeyInvalidErr);
    EXPECT_EQ(registerKey(kKey1, 0x400 /* alpha lock */, 2), platform::eventHotKeyInvalidErr);
    EXPECT_EQ(registerKey(10 /* no such key here */, kOption, 3), platform::eventHotKeyInvalidErr);
    EXPECT_EQ(registerKey(0x10000 + kKey1, kOption, 4), platform::eventHotKeyInvalidErr);
}

TEST_F(X11HotKeyServiceTest, FollowsAltToAnotherModifierBit) {
    ASSERT_EQ(registerKey(kKey1, kOption, 7), platform::noErr);
    ASSERT_EQ(keyboard_->modifierOf("Alt_L"), kXMod1);

    ASSERT_TRUE(keyboard_->moveToModifier("Alt_L", 5 /* Mod3 */));
    ASSERT_TRUE(keyboard_->moveToModifier("Alt_R", 5));
    seenBeforeSentinel();  // the mapping change has been read by now
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_EQ(seenBeforeSentinel(), (Seen{down(7), up(7)}));
    EXPECT_EQ(CompetingClient(server_->displayName()).grab("1", kXMod3), kXBadAccess);
}

// A keymap with neither Alt nor Meta has no modifier for Option: such a
// shortcut is refused rather than grabbed as the bare key, which every other
// program would then lose.
TEST_F(X11HotKeyServiceTest, OptionIsRefusedOnAKeymapWithoutAltOrMeta) {
    for (const char* key : {"Alt_L", "Alt_R", "Meta_L", "Meta_R"})
        ASSERT_TRUE(keyboard_->removeFromModifiers(key)) << key;
    ASSERT_EQ(keyboard_->modifierOf("Alt_L"), 0u);
    seenBeforeSentinel();  // the mapping change has been read by now

    EXPECT_EQ(registerKey(kKey1, kOption, 1), platform::eventHotKeyInvalidErr);
    EXPECT_EQ(registerKey(kKey2, kOption | kShift, 2), platform::eventHotKeyInvalidErr);
    EXPECT_EQ(CompetingClient(server_->displayName()).grab("1", 0), 0) << "the bare key is left to other programs";
    EXPECT_EQ(CompetingClient(server_->displayName()).grab("2", kXShift), 0);
    keyboard_->tap({"1"});
    EXPECT_EQ(seenBeforeSentinel(), Seen{});
}

TEST(X11HotKeyServiceWithoutServer, AnswersErrorsAndDoesNotCrash) {
    X11HotKeyService service("unix:4242");
    ASSERT_FALSE(service.isConnected());

    EventHotKeyRef ref = 0;
    platform::EventHandlerRef handler = 0;
    EXPECT_EQ(service.registerHotKey(kKey1, kOption, {kSignature, 1}, &ref), platform::eventHotKeyInvalidErr);
    EXPECT_NE(service.unregisterHotKey(1), platform::noErr);
    EXPECT_NE(service.installEventHandler([](const platform::KeyboardEvent&) { return platform::noErr; }, &handler),
              platform::noErr);
    EXPECT_NE(service.addEventTypes(1, {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed}}),
              platform::noErr);
    EXPECT_EQ(service.connectionNumber(), -1);
    service.processPendingEvents();
    EXPECT_EQ(ref, 0u);
}

}  // namespace
}  // namespace tessivar::testing
