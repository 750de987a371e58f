#include <sys/wait.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/TessivarProcess.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/XorgDummyServer.h"

using namespace std::chrono_literals;
using tessivar::testing::runShellCommand;
using tessivar::testing::shellQuoted;

namespace {

std::string fileText(const std::filesystem::path& path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// What a user keeps is what `cmake --install` puts under a prefix: the program
// must start from there, the crash-log reader read a log, and the desktop entry
// start the installed program, not the build's.
TEST(InstalledTessivar, RunsFromItsPrefixWithItsCrashLogReaderAndDesktopEntry) {
    platform::TemporaryDirectory prefix;
    const auto install = runShellCommand(
        "cmake --install " + shellQuoted(TESSIVAR_BUILD_DIR) + " --prefix " + shellQuoted(prefix.path().string()), 60s);
    ASSERT_TRUE(install.succeeded()) << install.output;

    const auto program = prefix.path() / "bin" / "tessivar";
    const auto entry = fileText(prefix.path() / "share" / "applications" / "com.brel.tessivar.desktop");
    EXPECT_NE(entry.find("\nExec=" + program.string() + "\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nIcon=com.brel.tessivar\n"), std::string::npos) << entry;
    EXPECT_TRUE(std::filesystem::is_regular_file(prefix.path() / "share" / "icons" / "hicolor" / "scalable" / "apps" /
                                                 "com.brel.tessivar.svg"));
    const auto validation =
        runShellCommand("desktop-file-validate " +
                            shellQuoted((prefix.path() / "share/applications/com.brel.tessivar.desktop").string()),
                        20s);
    EXPECT_TRUE(validation.succeeded()) << validation.output;

    const auto report =
        runShellCommand(shellQuoted((prefix.path() / "bin" / "tessivar-crashlog").string()) + " " +
                            shellQuoted(TESSIVAR_SOURCE_DIR "/tests/fixtures/crashlog/linux-crash.zzcrash"),
                        20s);
    EXPECT_TRUE(report.succeeded()) << report.output;
    EXPECT_NE(report.output.find("Thread 0"), std::string::npos) << report.output;

    tessivar::testing::XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}, {1280, 1024, 1920, 0}}))
        TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    tessivar::testing::TessivarProcess tessivar(program.string(), server.displayName());
    ASSERT_TRUE(tessivar.started());
    EXPECT_TRUE(tessivar.waitForLine("🖥️ 屏幕 2: ", 15s)) << "the installed program never finished its launch";
    const int status = tessivar.terminate();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
