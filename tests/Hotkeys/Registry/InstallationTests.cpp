// A registry is installed while it lives; the package's free functions and
// names work on the newest one, and registries nest: the one before is back
// when the newest goes.
#include "HotkeysFixture.h"
#include "MisuseRecorder.h"

using hotkeys::Name;
using hotkeys::Shortcut;

namespace {

// Settings of their own, so a test sees which registry the package used.
struct Settings {
    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    platform::NotificationCenter notifications;
    hotkeys::Environment environment() { return {defaults, notifications}; }
};

TEST(Installation, TheNewestLivingRegistryIsTheOneInUse) {
    MisuseRecorder misuse;
    Settings first, second, third;
    const Shortcut optionOne(18, 2048);
    auto outer = std::make_unique<hotkeys::Registry>(first.environment());
    auto middle = std::make_unique<hotkeys::Registry>(second.environment());
    auto inner = std::make_unique<hotkeys::Registry>(third.environment());

    ::testing::internal::CaptureStdout();  // none has a hot-key service, so every grab is refused
    hotkeys::setShortcut(optionOne, Name("a"));
    EXPECT_TRUE(third.defaults.contains("Hotkeys_a"));

    inner.reset();
    hotkeys::setShortcut(optionOne, Name("b"));
    EXPECT_TRUE(second.defaults.contains("Hotkeys_b"));
    middle.reset();
    hotkeys::setShortcut(optionOne, Name("c"));
    EXPECT_TRUE(first.defaults.contains("Hotkeys_c"));
    EXPECT_FALSE(second.defaults.contains("Hotkeys_c"));
    ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(misuse.take().empty());

    outer.reset();
    EXPECT_EQ(hotkeys::getShortcut(Name("b")), std::nullopt);
    EXPECT_EQ(misuse.take().size(), 2u) << "the name and the read, with nothing installed";
}

// A registry that goes before a newer one broke the nesting: none is in use
// then, not even the newer one, until the next is made.
TEST(Installation, ARegistryGoingOutOfOrderIsAMisuseAndLeavesNoneInstalled) {
    MisuseRecorder misuse;
    Settings first, second, third;
    auto outer = std::make_unique<hotkeys::Registry>(first.environment());
    auto inner = std::make_unique<hotkeys::Registry>(second.environment());

    outer.reset();
    ASSERT_EQ(misuse.take().size(), 1u);
    EXPECT_EQ(hotkeys::Registry::installed(), nullptr);
    misuse.take();
    inner.reset();
    EXPECT_TRUE(misuse.take().empty()) << "the newer one going after it is no second fault";

    hotkeys::Registry next(third.environment());
    EXPECT_EQ(hotkeys::Registry::installed(), &next);
}

class RegistryLife : public HotkeysFixture {};

// Whatever the service still holds of a registry that went answers as not
// ours, and the grabs go back with it.
TEST_F(RegistryLife, AGoneRegistryLeavesNoGrabsAndIgnoresLateEvents) {
    int presses = 0;
    hotkeys::onKeyDown(Name("name", optionDigit(1)), [&presses] { ++presses; });
    auto stream = hotkeys::events(Name("name"), [](hotkeys::EventType) {});
    takeCalls();

    registry.reset();

    EXPECT_EQ(takeCalls(), Calls{"unregister 1"});
    EXPECT_EQ(service.grabCount(), 0u);
    platform::KeyboardEvent event;
    event.kind = platform::kEventHotKeyPressed;
    event.hotKeyID = platform::EventHotKeyID{hotkeys::CarbonHotkeys::kSignature, 1};
    EXPECT_EQ(service.deliver(event), platform::eventNotHandledErr);
    EXPECT_EQ(presses, 0);

    stream.reset();
    mainQueue.drain();
    EXPECT_EQ(takeCalls(), Calls{}) << "queued stream work finds no registry and does nothing";
}

}  // namespace
