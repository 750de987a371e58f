#include <atomic>

#include <gtest/gtest.h>
// After gtest: Xlib's macros (None) clash with its names.
#include <X11/Xlib.h>

#include "Platform/X11/X11ConnectionLoss.h"
#include "Platform/X11/X11HotKeyService.h"
#include "Platform/X11/X11LazyDisplay.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

std::atomic<int> gForeignBreaks{0};

// Stands for another library's handler (Qt's plugin has one).
int recordForeignBreak(Display*) {
    ++gForeignBreaks;
    return 0;
}

// The program's connections outlive their X server: the calls that meet the break
// return (Xlib's default would have ended this test program with status 1), and the
// break is told once however many connections and calls meet it. A connection of
// another library's stays with the handler that library set.
TEST(X11ConnectionLoss, TheProgramsConnectionsReturnFromABreakAndItIsToldOnce) {
    XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    std::atomic<int> told{0};
    platform::X11ConnectionLoss::setHandler([&told] { ++told; });
    const auto previous = XSetIOErrorHandler(recordForeignBreak);
    Display* foreign = XOpenDisplay(server.displayName().c_str());
    ASSERT_NE(foreign, nullptr);
    XSetIOErrorExitHandler(
        foreign, [](Display*, void*) {}, nullptr);
    const platform::X11LazyDisplay lazy(server.displayName().c_str());
    ASSERT_NE(lazy.get(), nullptr);
    platform::X11HotKeyService hotKeys(server.displayName().c_str());
    ASSERT_GE(hotKeys.connectionNumber(), 0);

    server.stop();
    XSync(lazy.get(), False);
    hotKeys.processPendingEvents();
    XSync(lazy.get(), False);
    EXPECT_EQ(told.load(), 1);
    XSync(foreign, False);
    EXPECT_EQ(gForeignBreaks.load(), 1);
    EXPECT_EQ(told.load(), 1);
    XCloseDisplay(foreign);
    XSetIOErrorHandler(previous);
    platform::X11ConnectionLoss::setHandler({});
}

}  // namespace
}  // namespace tessivar::testing
