#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Qt/QtHotKeyPump.h"
#include "Platform/X11/X11HotKeyService.h"
#include "tests/Platform/Qt/MenuKeys/XcbApplication.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XTestKeyboard.h"

namespace tessivar::testing {
namespace {

constexpr std::uint32_t kSignature = 0x53534B53;
constexpr std::uint32_t kKey1 = 18;
constexpr std::uint32_t kKey3 = 20;
constexpr std::uint32_t kOption = 0x800;

// A hot-key service on the application's server whose events only the Qt
// event loop, through the pump, gets going.
class QtHotKeyPumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (XcbApplication::startError()) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*XcbApplication::startError());
        keyboard_ = std::make_unique<XTestKeyboard>(XcbApplication::displayName());
        ASSERT_TRUE(keyboard_->isReady());
        service_ = std::make_unique<platform::X11HotKeyService>(XcbApplication::displayName().c_str());
        platform::EventHandlerRef handler = 0;
        ASSERT_EQ(service_->installEventHandler(
                      [this](const platform::KeyboardEvent& event) {
                          kinds_.push_back(event.kind);
                          return platform::noErr;
                      },
                      &handler),
                  platform::noErr);
        ASSERT_EQ(service_->addEventTypes(handler, {{platform::kEventClassKeyboard, platform::kEventHotKeyPressed},
                                                    {platform::kEventClassKeyboard, platform::kEventHotKeyReleased}}),
                  platform::noErr);
        ASSERT_EQ(registerKey(kKey1), platform::noErr);
        pump_ = std::make_unique<platform::QtHotKeyPump>(*service_);
    }
    void TearDown() override {
        pump_.reset();
        service_.reset();
        keyboard_.reset();
    }

    platform::OSStatus registerKey(std::uint32_t key) {
        platform::EventHotKeyRef ref = 0;
        return service_->registerHotKey(key, kOption, {kSignature, key}, &ref);
    }

    const std::vector<std::uint32_t> kPressAndRelease{platform::kEventHotKeyPressed, platform::kEventHotKeyReleased};

    std::unique_ptr<XTestKeyboard> keyboard_;
    std::unique_ptr<platform::X11HotKeyService> service_;
    std::unique_ptr<platform::QtHotKeyPump> pump_;
    std::vector<std::uint32_t> kinds_;
};

TEST_F(QtHotKeyPumpTest, TheEventLoopDeliversAHotKey) {
    keyboard_->tap({"Alt_L", "1"});

    EXPECT_TRUE(XcbApplication::runUntil([&] { return kinds_ == kPressAndRelease; }));
}

TEST_F(QtHotKeyPumpTest, EventsXlibAlreadyReadAreDeliveredToo) {
    keyboard_->tap({"Alt_L", "1"});
    // Registering waits for the server's answer, and Xlib reads the key events
    // queued before it off the socket on the way.
    ASSERT_EQ(registerKey(kKey3), platform::noErr);
    ASSERT_TRUE(service_->hasQueuedEvents());

    EXPECT_TRUE(XcbApplication::runUntil([&] { return kinds_ == kPressAndRelease; }));
}

}  // namespace
}  // namespace tessivar::testing
