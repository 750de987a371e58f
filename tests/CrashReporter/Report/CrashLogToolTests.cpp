// The tessivar-crashlog program, run as a person would run it.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ShellCommand.h"

namespace {

using tessivar::testing::shellQuoted;

const std::filesystem::path fixtures = TESSIVAR_CRASHLOG_FIXTURES;

std::string fileText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

struct ToolRun {
    std::optional<int> exitCode;
    std::string output;
    std::string errors;
};

ToolRun runTool(const std::string& arguments) {
    const auto scratch = std::filesystem::temp_directory_path() / ("crashlog-tool-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const auto result = tessivar::testing::runShellCommand(
        shellQuoted(TESSIVAR_CRASHLOG_BINARY) + " " + arguments + " >" + shellQuoted(scratch / "out") + " 2>" +
            shellQuoted(scratch / "err"),
        std::chrono::seconds(20));
    ToolRun run{result.exitCode, fileText(scratch / "out"), fileText(scratch / "err")};
    std::filesystem::remove_all(scratch);
    return run;
}

// The expected report was checked line by line against the layout: the
// exception's backtrace, 21 registers on six lines, the second libc at the
// same base left out, the vDSO of size 0 ending at its base.
TEST(CrashLogTool, PrintsALogAsTheTextReport) {
    const auto run = runTool(shellQuoted(fixtures / "linux-crash.zzcrash"));
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.output, fileText(fixtures / "linux-crash.report.txt"));
    EXPECT_EQ(run.errors,
              "[ZZCrashReporter] Symbol \"_ZN8tessivar10JumpEngine12jumpToScreenEi\" prefix rules are unknown for "
              "this OS!\n"
              "[ZZCrashReporter] Cannot find image for 0x7ffcd4012800\n");
}

TEST(CrashLogTool, NamesTheFileAndTheReasonWhenThereIsNoReport) {
    struct Case {
        std::string arguments;
        int exitCode;
        std::string errors;
    };
    const auto noSignal = fixtures / "missing" / "signal.zzcrash";
    const auto bodySize = std::filesystem::file_size(noSignal) - 8;
    const Case cases[] = {
        {shellQuoted(noSignal), 1,
         "tessivar-crashlog: " + noSignal.string() + ": Could not decode crash report with size of " +
             std::to_string(bodySize) + " bytes.\n"},
        {"/nonexistent/log.zzcrash", 1, "tessivar-crashlog: /nonexistent/log.zzcrash: cannot be opened\n"},
        {"", 2, "usage: tessivar-crashlog FILE\n"},
        {"a b", 2, "usage: tessivar-crashlog FILE\n"},
    };
    for (const Case& c : cases) {
        const auto run = runTool(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments;
        EXPECT_EQ(run.output, "") << c.arguments;
        EXPECT_EQ(run.errors, c.errors) << c.arguments;
    }
}

}  // namespace
