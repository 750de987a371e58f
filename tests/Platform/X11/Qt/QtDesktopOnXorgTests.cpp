#include <QGuiApplication>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Desktop/EventPointer.h"
#include "Platform/Desktop/ScreenArrangement.h"
#include "Platform/Qt/QtDesktop.h"
#include "Platform/X11/X11PointerWarp.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

// An L of three monitors of different sizes: one to the right of the primary
// monitor, top-aligned, and one below it.
const std::vector<MonitorGeometry> kMonitors{{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}, {1024, 768, 0, 1080}};

platform::DisplayID displayIDOfOutput(std::size_t index) {
    return platform::displayIDForConnector("DUMMY" + std::to_string(index));
}

// The pointer of the event being handled, as a test sets it.
struct SetEventPointer : platform::EventPointer {
    std::optional<platform::EventPointerPosition> position;
    std::optional<platform::EventPointerPosition> pointerAtCurrentEvent() const override { return position; }
};

// The desktop backend of a QGuiApplication on the xcb platform, connected to a
// private server with kMonitors; one per run, as Qt allows one application.
class QtDesktopOnXorgTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = std::make_unique<XorgDummyServer>();
        startError_ = server_->start(kMonitors);
        if (startError_) return;
        // Whatever the calling shell chose (the test script picks offscreen),
        // this suite is about the real X11 backend at scale 1.
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        setenv("DISPLAY", server_->displayName().c_str(), 1);
        unsetenv("QT_SCALE_FACTOR");
        unsetenv("QT_SCREEN_SCALE_FACTORS");
        application_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    static void TearDownTestSuite() {
        application_.reset();
        server_.reset();
    }

    void SetUp() override {
        if (startError_) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError_);
        observer_ = std::make_unique<X11Observer>(server_->displayName());
        ASSERT_TRUE(observer_->isConnected());
    }

    // Waits for the server to have processed Qt's warp, which comes over
    // another connection than the observer's.
    std::optional<PointerPosition> pointerOnceAt(PointerPosition expected) const {
        waitUntil([&] { return observer_->pointer() == expected; }, 10s);
        return observer_->pointer();
    }

    platform::QtDesktop desktop_;
    // As the program has it: its own warp, and where the pointer was at a press.
    platform::X11PointerWarp warp_{server_->displayName().c_str()};
    SetEventPointer press_;
    platform::QtDesktop warpingDesktop_{nullptr, &warp_, &press_};
    std::unique_ptr<X11Observer> observer_;

    static inline int argc_ = 1;
    static inline char programName_[] = "x11_qt_tests";
    static inline char* argv_[] = {programName_, nullptr};
    static inline std::unique_ptr<XorgDummyServer> server_;
    static inline platform::Failure startError_;
    static inline std::unique_ptr<QGuiApplication> application_;
};

TEST_F(QtDesktopOnXorgTest, ListsEveryMonitorPrimaryFirstWithGlobalFrames) {
    std::vector<platform::Screen> screens = desktop_.screens();

    ASSERT_EQ(screens.size(), kMonitors.size());
    // Global frames: origin at the primary monitor's bottom-left, y up.
    const std::vector<platform::Rect> expectedFrames{
        {{0, 0}, {1920, 1080}}, {{1920, 56}, {1280, 1024}}, {{0, -768}, {1024, 768}}};
    for (std::size_t i = 0; i < screens.size(); ++i) {
        EXPECT_EQ(screens[i].displayID, displayIDOfOutput(i)) << "screen " << i;
        EXPECT_EQ(screens[i].frame, expectedFrames[i]) << "screen " << i;
    }
}

TEST_F(QtDesktopOnXorgTest, MovesThePointerToDisplayLocalPointsOnEveryMonitor) {
    ASSERT_TRUE(warp_.connect());
    for (platform::QtDesktop* desktop : {&desktop_, &warpingDesktop_}) {
        for (std::size_t i = 0; i < kMonitors.size(); ++i) {
            const MonitorGeometry& monitor = kMonitors[i];
            for (platform::Point local : {platform::Point{0, 0}, platform::Point{37, 21},
                                          platform::Point{monitor.width / 2.0, monitor.height / 2.0},
                                          platform::Point{monitor.width - 1.0, monitor.height - 1.0}}) {
                ASSERT_EQ(desktop->moveCursor(displayIDOfOutput(i), local), platform::kCursorMoveSuccess);

                PointerPosition expected{monitor.x + static_cast<int>(local.x), monitor.y + static_cast<int>(local.y)};
                std::optional<PointerPosition> seen = pointerOnceAt(expected);
                ASSERT_TRUE(seen.has_value());
                EXPECT_EQ(*seen, expected) << "DUMMY" << i << " local " << local.x << "," << local.y << ": pointer at "
                                           << seen->x << "," << seen->y;
            }
        }
    }
}

TEST_F(QtDesktopOnXorgTest, AnUnknownDisplayLeavesThePointerWhereItIs) {
    ASSERT_TRUE(observer_->warpPointer({500, 400}));

    EXPECT_EQ(desktop_.moveCursor(displayIDOfOutput(7), {10, 10}), platform::kCursorMoveUnknownDisplay);
    EXPECT_EQ(pointerOnceAt({500, 400}), (PointerPosition{500, 400}));
}

TEST_F(QtDesktopOnXorgTest, ReadsThePointerAnotherClientMovedInGlobalCoordinates) {
    // On the monitor below the primary one: top-left (100, 1180) is global (100, -100).
    ASSERT_TRUE(observer_->warpPointer({100, 1180}));

    EXPECT_EQ(desktop_.mouseLocation(), (platform::Point{100, -100}));
}

// A press reads where it leaves from the key event, whatever the pointer did
// since; once the press has moved the pointer, or is over, the server is asked.
TEST_F(QtDesktopOnXorgTest, DuringAPressThePointerIsWhereTheEventSaysUntilThePressMovesIt) {
    ASSERT_TRUE(observer_->warpPointer({100, 1180}));
    EXPECT_EQ(warpingDesktop_.mouseLocation(), (platform::Point{100, -100}));

    press_.position = platform::EventPointerPosition{500, 400, 1};
    EXPECT_EQ(warpingDesktop_.mouseLocation(), (platform::Point{500, 680}));
    ASSERT_EQ(warpingDesktop_.moveCursor(displayIDOfOutput(1), {10, 10}), platform::kCursorMoveSuccess);
    ASSERT_EQ(pointerOnceAt({1930, 10}), (PointerPosition{1930, 10}));
    EXPECT_EQ(warpingDesktop_.mouseLocation(), (platform::Point{1930, 1070}));

    press_.position = platform::EventPointerPosition{600, 300, 2};
    EXPECT_EQ(warpingDesktop_.mouseLocation(), (platform::Point{600, 780}));
    press_.position.reset();
    EXPECT_EQ(warpingDesktop_.mouseLocation(), (platform::Point{1930, 1070}));
}

}  // namespace
}  // namespace tessivar::testing
