#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using Monitors = std::vector<MonitorGeometry>;

const Monitors kSideBySide{{1920, 1080, 0, 0}, {1920, 1080, 1920, 0}};
// 1000x700 is in no mode list of the dummy driver, so it needs a modeline of our own.
const Monitors kLShape{{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}, {1000, 700, 0, 1080}};

#define START_OR_SKIP(server, monitors)                 \
    if (auto startError = (server).start(monitors)) {   \
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*startError); \
    }

bool displayFilesExist(const std::string& displayName) {
    std::string number = displayName.substr(1);
    return std::filesystem::exists("/tmp/.X" + number + "-lock") ||
           std::filesystem::exists("/tmp/.X11-unix/X" + number);
}

TEST(XorgDummyServerTest, TwoMonitorsSideBySideAreWhatRandRReports) {
    XorgDummyServer server;
    START_OR_SKIP(server, kSideBySide);

    EXPECT_EQ(X11Observer(server.displayName()).monitors(), kSideBySide);
}

TEST(XorgDummyServerTest, ThreeMonitorsInAnLShapeAreWhatRandRReports) {
    XorgDummyServer server;
    START_OR_SKIP(server, kLShape);

    EXPECT_EQ(X11Observer(server.displayName()).monitors(), kLShape);
}

TEST(XorgDummyServerTest, ANewLayoutSwitchesOffTheMonitorsItDoesNotName) {
    XorgDummyServer server;
    START_OR_SKIP(server, kLShape);

    ASSERT_EQ(server.setMonitors(kSideBySide), std::nullopt);
    EXPECT_EQ(server.monitors(), kSideBySide);
}

TEST(XorgDummyServerTest, APointerWarpedByOneClientIsReadByAnother) {
    XorgDummyServer server;
    START_OR_SKIP(server, kSideBySide);
    X11Observer mover(server.displayName());
    X11Observer reader(server.displayName());

    ASSERT_TRUE(mover.warpPointer({2500, 300}));
    EXPECT_EQ(reader.pointer(), (PointerPosition{2500, 300}));
}

TEST(XorgDummyServerTest, TwoServersGetTheirOwnDisplays) {
    XorgDummyServer first;
    XorgDummyServer second;
    START_OR_SKIP(first, kSideBySide);
    START_OR_SKIP(second, kLShape);

    EXPECT_NE(first.displayName(), second.displayName());
    EXPECT_EQ(first.monitors(), kSideBySide);
    EXPECT_EQ(second.monitors(), kLShape);
}

// Whether the server process has ended (and been reaped). The display itself
// is no witness: tests running beside this one may start a server on a display
// number the moment it is free.
bool hasEnded(int pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

TEST(XorgDummyServerTest, StoppingEndsTheServerAndFreesItsDisplay) {
    XorgDummyServer server;
    START_OR_SKIP(server, kSideBySide);
    ASSERT_TRUE(displayFilesExist(server.displayName()));
    const int pid = server.pid();
    ASSERT_GT(pid, 0);

    server.stop();

    EXPECT_FALSE(server.isRunning());
    EXPECT_EQ(server.displayName(), "");
    EXPECT_EQ(server.pid(), -1);
    EXPECT_TRUE(hasEnded(pid));
}

TEST(XorgDummyServerTest, TheServerGoesAwayWithTheObject) {
    int pid = -1;
    {
        XorgDummyServer server;
        START_OR_SKIP(server, kSideBySide);
        pid = server.pid();
    }
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(hasEnded(pid));
}

TEST(XorgDummyServerTest, ALayoutTooLargeForTheVideoMemoryIsAnErrorNotARunningServer) {
    XorgDummyServer probe;
    START_OR_SKIP(probe, kSideBySide);
    probe.stop();

    XorgDummyServer server;
    // 16000x4500 at 32 bits a pixel is more than the VideoRam of the config.
    auto error = server.start({{8000, 4500, 0, 0}, {8000, 4500, 8000, 0}});

    ASSERT_TRUE(error);
    EXPECT_NE(error->find("layout"), std::string::npos) << *error;
    EXPECT_FALSE(server.isRunning());
}

TEST(XorgDummyServerTest, SetMonitorsWithoutAServerIsAnError) {
    XorgDummyServer server;
    EXPECT_TRUE(server.setMonitors(kSideBySide));
    EXPECT_TRUE(server.monitors().empty());
}

}  // namespace
}  // namespace tessivar::testing
