#include <memory>

#include <gtest/gtest.h>

#include "Platform/X11/Private/X11ErrorTrap.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XErrorRecorder.h"
#include "tests/support/XorgDummyServer.h"

// After GoogleTest: Xlib defines macros (None, Bool) that its headers use as names.
#include <X11/Xlib.h>

namespace tessivar::testing {
namespace {

class X11ErrorTrapTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XorgDummyServer>();
        startError_ = server_->start({{640, 480, 0, 0}});
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (startError_) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError_);
        trapped_ = XOpenDisplay(server_->displayName().c_str());
        other_ = XOpenDisplay(server_->displayName().c_str());
        ASSERT_TRUE(trapped_ && other_);
    }
    void TearDown() override {
        if (other_) XCloseDisplay(other_);
        if (trapped_) XCloseDisplay(trapped_);
    }

    // A request the server refuses with BadWindow.
    static void mapNoWindow(Display* display) { XMapWindow(display, 0x7FFFFFF0); }

    static inline std::unique_ptr<XorgDummyServer> server_;
    static inline platform::Failure startError_;
    Display* trapped_ = nullptr;
    Display* other_ = nullptr;
};

TEST_F(X11ErrorTrapTest, AnswersTheFirstErrorOfItsOwnConnectionOnly) {
    const XErrorRecorder recorder;

    const int error = platform::X11ErrorTrap::firstError(trapped_, [&] {
        mapNoWindow(trapped_);
        XGrabKey(trapped_, 300, 0, DefaultRootWindow(trapped_), False, GrabModeAsync, GrabModeAsync);  // BadValue
        // Another connection's error arriving meanwhile is not the trap's.
        mapNoWindow(other_);
        XSync(other_, False);
    });

    EXPECT_EQ(error, BadWindow);
    ASSERT_EQ(recorder.errors().size(), 1u) << recorder.describe();
    EXPECT_EQ(recorder.errors().front().errorCode, BadWindow);
    // Afterwards the handler from before is back.
    mapNoWindow(trapped_);
    XSync(trapped_, False);
    EXPECT_EQ(recorder.errors().size(), 2u);
}

TEST_F(X11ErrorTrapTest, NestedTrapsEachKeepTheirOwnErrors) {
    int inner = -1;
    const int outer = platform::X11ErrorTrap::firstError(
        trapped_, [&] { inner = platform::X11ErrorTrap::firstError(other_, [&] { mapNoWindow(other_); }); });

    EXPECT_EQ(inner, BadWindow);
    EXPECT_EQ(outer, 0);
}

}  // namespace
}  // namespace tessivar::testing
