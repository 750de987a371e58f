#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/X11/X11CursorHider.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XErrorRecorder.h"
#include "tests/support/XephyrServer.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

class X11CursorHiderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XorgDummyServer>();
        startError_ = server_->start({{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}});
    }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        if (startError_) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError_);
    }

    static const char* display() { return server_->displayName().c_str(); }

    static std::unique_ptr<XorgDummyServer> server_;
    static platform::Failure startError_;
};

std::unique_ptr<XorgDummyServer> X11CursorHiderTest::server_;
platform::Failure X11CursorHiderTest::startError_;

TEST_F(X11CursorHiderTest, ConnectsToTheDisplayItIsGivenOrToDISPLAY) {
    EXPECT_TRUE(platform::X11CursorHider(display()).connect());

    const char* previous = std::getenv("DISPLAY");
    std::string saved = previous ? previous : "";
    setenv("DISPLAY", display(), 1);
    EXPECT_TRUE(platform::X11CursorHider().connect());
    if (previous) {
        setenv("DISPLAY", saved.c_str(), 1);
    } else {
        unsetenv("DISPLAY");
    }
}

TEST_F(X11CursorHiderTest, TheServerRejectsAShowWithoutAHide) {
    XErrorRecorder recorder;
    ASSERT_TRUE(X11Observer(display()).showCursor());

    ASSERT_EQ(recorder.errors().size(), 1u) << recorder.describe();
    EXPECT_EQ(recorder.errors().front().errorCode, kXBadMatch);
}

TEST_F(X11CursorHiderTest, DisplayAndApplicationHidesNeedAsManyShows) {
    XErrorRecorder recorder;
    {
        platform::X11CursorHider hider(display());
        ASSERT_TRUE(hider.connect());

        hider.hideCursor(1);
        hider.hideCursor(2);
        hider.hideApplicationCursor();
        EXPECT_EQ(hider.hideCount(), 3);

        hider.showCursor(1);
        hider.unhideApplicationCursor();
        EXPECT_TRUE(hider.isHidden());

        hider.showCursor(2);
        EXPECT_FALSE(hider.isHidden());

        // A second episode starts from zero again.
        hider.hideCursor(2);
        EXPECT_TRUE(hider.isHidden());
        hider.showCursor(2);
        EXPECT_FALSE(hider.isHidden());
    }
    EXPECT_TRUE(recorder.errors().empty()) << recorder.describe();
}

TEST_F(X11CursorHiderTest, AShowAtZeroIsIgnored) {
    XErrorRecorder recorder;
    {
        platform::X11CursorHider hider(display());
        hider.showCursor(1);
        hider.unhideApplicationCursor();
        EXPECT_EQ(hider.hideCount(), 0);

        hider.hideCursor(1);
        EXPECT_TRUE(hider.isHidden());
        hider.showCursor(1);
        hider.showCursor(1);
        EXPECT_EQ(hider.hideCount(), 0);
    }
    EXPECT_TRUE(recorder.errors().empty()) << recorder.describe();
}

TEST_F(X11CursorHiderTest, DestroyingAHiddenHiderShowsThePointerWithoutAnError) {
    XErrorRecorder recorder;
    {
        platform::X11CursorHider hider(display());
        hider.hideCursor(1);
        hider.hideApplicationCursor();
        ASSERT_TRUE(hider.isHidden());
    }
    EXPECT_TRUE(recorder.errors().empty()) << recorder.describe();
    EXPECT_TRUE(X11Observer(display()).pointer().has_value());
}

// The dummy driver draws the pointer in software and takes it out of every
// image a client reads, and XFixes reports the logical cursor, not whether it
// is hidden: no client of the hider's own server can tell. Through Xephyr the
// nested server's pointer is the cursor of a window on the outer server, which
// the outer server's XFixes does report.
TEST_F(X11CursorHiderTest, ASecondClientSeesThePointerHiddenUntilTheLastShow) {
    if (!XephyrServer::isInstalled()) GTEST_SKIP() << "Xephyr is not installed (xserver-xephyr)";
    XephyrServer nested;
    if (auto error = nested.start(display(), 640, 480)) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    X11Observer outer(display());
    ASSERT_TRUE(outer.warpPointer({320, 240}));
    auto visible = [&] { return outer.visibleCursorPixels() > 0; };
    auto blank = [&] { return outer.visibleCursorPixels() == 0; };
    ASSERT_TRUE(waitUntil(visible, 5s)) << "Xephyr shows no pointer to begin with";

    XErrorRecorder recorder;
    {
        platform::X11CursorHider hider(nested.displayName().c_str());
        hider.hideCursor(1);
        hider.hideApplicationCursor();
        EXPECT_TRUE(waitUntil(blank, 5s)) << "the pointer never disappeared";

        hider.showCursor(1);
        hider.unhideApplicationCursor();
        EXPECT_TRUE(waitUntil(visible, 5s)) << "the last show did not bring the pointer back";

        hider.hideCursor(2);
        EXPECT_TRUE(waitUntil(blank, 5s)) << "a second episode did not hide the pointer";
    }
    EXPECT_TRUE(waitUntil(visible, 5s)) << "the pointer stayed hidden after the hider was gone";
    EXPECT_TRUE(recorder.errors().empty()) << recorder.describe();
}

TEST(X11CursorHiderWithoutServerTest, OnlyCounts) {
    platform::X11CursorHider hider(":1999");
    EXPECT_FALSE(hider.connect());

    hider.hideCursor(1);
    hider.hideApplicationCursor();
    EXPECT_EQ(hider.hideCount(), 2);
    hider.showCursor(1);
    hider.unhideApplicationCursor();
    EXPECT_FALSE(hider.isHidden());
}

}  // namespace
}  // namespace tessivar::testing
