#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/ShellCommand.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

ShellCommandResult runScript(const std::string& arguments) {
    return runShellCommand(shellQuoted(XorgDummyServer::scriptPath()) + " " + arguments, 30s);
}

int serverPid(const std::string& pidFile) {
    std::ifstream file(pidFile);
    int pid = 0;
    file >> pid;
    return pid;
}

// What `start` printed; stops that server when the test ends, passed or not.
class StartedServer {
public:
    explicit StartedServer(const std::string& output) {
        std::istringstream lines(output);
        std::getline(lines, display);
        std::getline(lines, pidFile);
    }
    ~StartedServer() {
        if (!stopped && !display.empty()) runScript("stop " + display);
    }
    StartedServer(const StartedServer&) = delete;
    StartedServer& operator=(const StartedServer&) = delete;

    std::string display;
    std::string pidFile;
    bool stopped = false;
};

TEST(XorgDummyScriptTest, StartPrintsTheDisplayAndPidFileAndStopEndsTheServer) {
    ShellCommandResult started = runScript("start 1920x1080+0+0 1280x1024+1920+0 1000x700+0+1080");
    if (!started.succeeded()) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(started.output);
    StartedServer server(started.output);

    ASSERT_TRUE(server.display.size() > 1 && server.display.front() == ':') << started.output;
    ASSERT_TRUE(std::filesystem::exists(server.pidFile)) << started.output;
    std::vector<MonitorGeometry> expected{{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}, {1000, 700, 0, 1080}};
    EXPECT_EQ(X11Observer(server.display).monitors(), expected);

    const int pid = serverPid(server.pidFile);
    ASSERT_GT(pid, 0) << server.pidFile;
    ShellCommandResult stopped = runScript("stop " + server.display);
    server.stopped = stopped.succeeded();
    ASSERT_TRUE(stopped.succeeded()) << stopped.output;
    // The server's process, not its display: in a parallel suite another test's
    // server may take the freed display number at once.
    EXPECT_NE(liveProcessName(pid), "Xorg") << "the server still runs";
    EXPECT_FALSE(std::filesystem::exists(server.pidFile));
}

TEST(XorgDummyScriptTest, LayoutRearrangesAServerTheHarnessStarted) {
    XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);

    ShellCommandResult laidOut = runScript("layout " + server.displayName() + " 1280x720+1920+0 1920x1080+0+0");

    ASSERT_TRUE(laidOut.succeeded()) << laidOut.output;
    std::vector<MonitorGeometry> expected{{1280, 720, 1920, 0}, {1920, 1080, 0, 0}};
    EXPECT_EQ(server.monitors(), expected);
}

TEST(XorgDummyScriptTest, RefusesMalformedMonitorsBeforeStartingAnything) {
    for (const char* monitor : {"1920x1080", "1920x1080+-5+0", "0x1080+0+0", "wide"}) {
        ShellCommandResult result = runScript(std::string("start ") + monitor);
        EXPECT_EQ(result.exitCode, 1) << monitor;
        EXPECT_NE(result.output.find("monitor"), std::string::npos) << result.output;
    }
}

TEST(XorgDummyScriptTest, StopRefusesADisplayItDidNotStart) {
    ShellCommandResult result = runScript("stop :4242");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.output.find("no server of ours"), std::string::npos) << result.output;
}

}  // namespace
}  // namespace tessivar::testing
