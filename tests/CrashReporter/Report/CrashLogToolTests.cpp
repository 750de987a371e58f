// The tessivar-crashlog program, run as a person would run it.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Report/ZZCrashLogFile.h"
#include "tests/CrashReporter/Report/CrashLogArena.h"
#include "tests/support/ShellCommand.h"
#include "tests/support/UnreadableFiles.h"

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

// With `cpuSeconds`, the tool may use that much processor time, and is killed past it.
ToolRun runTool(const std::string& arguments, std::optional<int> cpuSeconds = std::nullopt) {
    const auto scratch = std::filesystem::temp_directory_path() / ("crashlog-tool-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    const auto result = tessivar::testing::runShellCommand(
        (cpuSeconds ? "ulimit -t " + std::to_string(*cpuSeconds) + "; " : "") + shellQuoted(TESSIVAR_CRASHLOG_BINARY) +
            " " + arguments + " >" + shellQuoted(scratch / "out") + " 2>" + shellQuoted(scratch / "err"),
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
        {"/nonexistent/log.zzcrash", 1, "tessivar-crashlog: /nonexistent/log.zzcrash: No such file or directory\n"},
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

// The same refusals as the next launch's: nothing is waited on or read whole.
TEST(CrashLogTool, RefusesWhatCannotBeACrashLog) {
    const auto folder = std::filesystem::temp_directory_path() / ("crashlog-kinds-" + std::to_string(getpid()));
    for (const auto& kind : tessivar::testing::unreadableFiles()) {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const auto path = folder / "log.zzcrash";
        kind.make(path);
        const auto run = runTool(shellQuoted(path));
        EXPECT_EQ(run.exitCode, 1) << kind.what;
        EXPECT_EQ(run.output, "") << kind.what;
        EXPECT_EQ(run.errors, "tessivar-crashlog: " + path.string() + ": " + kind.refusal + "\n") << kind.what;
    }
    std::filesystem::remove_all(folder);
}

std::filesystem::path writtenLog(const Zzcrash__CrashReport& report, const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()) + ".zzcrash");
    const auto bytes = tessivar::testing::CrashLogArena::file(report);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

// A log's texts cannot drive the terminal the report is read on, nor start
// lines of their own: every control character shows escaped.
TEST(CrashLogTool, ShowsTheControlCharactersOfALogEscaped) {
    tessivar::testing::CrashLogArena arena;
    auto& message = arena.linuxReport();
    message.process_info->process_name = arena.text("tessivar\x1b[2J");
    message.signal->name = arena.text("SIG\xC2\x9BSEGV\x7f");
    message.threads[0]->frames[0] = &arena.frame(0x10, "_jump\r\nThread 9 Crashed:", 0x10);
    const auto path = writtenLog(message, "crashlog-controls");
    const auto run = runTool(shellQuoted(path));
    std::filesystem::remove(path);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("Process:         tessivar\\x1b[2J ["), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Exception Type:  SIG\\u009bSEGV\\x7f\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("_jump\\x0d\\x0aThread 9 Crashed: + 0\n"), std::string::npos) << run.output;
    EXPECT_NE(run.errors.find("Symbol \"_jump\\x0d\\x0aThread 9 Crashed:\" prefix rules"), std::string::npos)
        << run.errors;
    for (const std::string* text : {&run.output, &run.errors}) {
        EXPECT_TRUE(std::none_of(text->begin(), text->end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return (byte < 0x20 && byte != '\n') || byte == 0x7F;
        })) << *text;
        EXPECT_EQ(text->find("\xC2\x9B"), std::string::npos);
    }
}

// The largest log the tool reads, of the cheapest frames and images, every
// frame in the last image: looking each frame's image up in the list took
// the product of their numbers, seconds of processor time.
TEST(CrashLogTool, PrintsTheLargestLogOfFramesAndImagesInLittleTime) {
    tessivar::testing::CrashLogArena arena;
    auto& message = arena.linuxReport();
    constexpr std::size_t imageCount = 40000, frameCount = 80000;
    std::vector<Zzcrash__CrashReport__BinaryImage*> images;
    for (std::size_t i = 0; i < imageCount; ++i) {
        images.push_back(&arena.image(0x100000 + 16 * i, 16, ""));
        images.back()->code_type = nullptr;
    }
    std::vector<Zzcrash__CrashReport__Thread__StackFrame*> frames(frameCount,
                                                                  &arena.frame(0x100000 + 16 * imageCount - 1));
    arena.setList(message.binary_images, message.n_binary_images, images);
    arena.setList(message.threads[1]->frames, message.threads[1]->n_frames, frames);
    const auto path = writtenLog(message, "crashlog-largest");
    ASSERT_LE(std::filesystem::file_size(path), ZZCrashLogFile::maximumBytes);
    // A limit on processor time, not on the clock: a busy machine cannot make
    // the tool miss it, only a tool that does far more work.
    const auto run = runTool(shellQuoted(path), 2);
    std::filesystem::remove(path);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_GT(std::count(run.output.begin(), run.output.end(), '\n'), frameCount);
}

}  // namespace
