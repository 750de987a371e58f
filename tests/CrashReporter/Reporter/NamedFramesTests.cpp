// Every named frame of a real crash names the function that holds its pc,
// as binutils' nm places the program's functions: the crashed thread's, and
// those of 96 threads each waiting in a chain of 8 functions of its own, more
// return addresses than the writer's symbol cache has slots (a slot handed to
// another pc would name the frame after that pc's function). The program is
// built twice: exporting its functions, and exporting none, where only its
// file's symbol table names them.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "CrashReporter/Writer/ZZCrashLogWriter.h"
#include "CrashReporter/ZZCrashReporter.h"
#include "tests/CrashReporter/Writer/LogReading.h"
#include "tests/support/ShellCommand.h"

namespace {

namespace fs = std::filesystem;
using tessivar::testing::runShellCommand;
using tessivar::testing::shellQuoted;

struct Function {
    std::uint64_t size;
    std::string name;
};

// nm's functions of the program by their start; those without a size are left out.
std::multimap<std::uint64_t, Function> functionsOf(const std::string& program) {
    const auto listed = runShellCommand(shellQuoted(TESSIVAR_NM) + " -S --defined-only " + shellQuoted(program),
                                        std::chrono::seconds(20));
    std::multimap<std::uint64_t, Function> functions;
    std::istringstream lines(listed.output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string start, size, type, name;
        if (fields >> start >> size >> type >> name && (type == "t" || type == "T" || type == "W" || type == "w"))
            functions.insert({std::stoull(start, nullptr, 16), {std::stoull(size, nullptr, 16), name}});
    }
    return functions;
}

// The names nm gives the functions that hold the offset.
std::set<std::string> holders(const std::multimap<std::uint64_t, Function>& functions, std::uint64_t offset) {
    std::set<std::string> names;
    for (auto it = functions.begin(); it != functions.end() && it->first <= offset; ++it) {
        if (offset < it->first + it->second.size) names.insert(it->second.name);
    }
    return names;
}

const ZZCrashReportBinaryImageInfo* programImage(const ZZCrashReport& report, const std::string& program) {
    for (const auto& image : report.images()) {
        if (image.imageName() == program) return &image;
    }
    return nullptr;
}

class NamedFrames : public ::testing::TestWithParam<const char*> {};

TEST_P(NamedFrames, NameTheFunctionThatHoldsTheirPc) {
    const std::string program = GetParam();
    const fs::path base = fs::temp_directory_path() / ("named-frames-" + std::to_string(getpid()));
    fs::remove_all(base);
    const auto run = runShellCommand(shellQuoted(program) + " " + shellQuoted(base.string()), std::chrono::seconds(30));
    EXPECT_FALSE(run.succeeded()) << run.output;
    ZZCrashReporter nextLaunch("com.brel.tessivar/named-frames", "1", "1.0.0",
                               ZZCrashReporterConfig(0, 0, true, base.string()));
    const auto log = nextLaunch.loadPendingCrashReportData();
    fs::remove_all(base);
    ASSERT_TRUE(log) << run.output;
    const auto report = tessivar::testing::decodedLog(*log);
    ASSERT_TRUE(report);
    const auto* image = programImage(*report, program);
    ASSERT_NE(image, nullptr);
    const auto functions = functionsOf(program);
    ASSERT_FALSE(functions.empty());

    std::set<std::string> waitingIn;
    std::size_t waitingThreads = 0;
    std::size_t checked = 0;
    for (const auto& thread : report->threads()) {
        const auto& frames = thread.stackFrames();
        const std::size_t waitingBefore = waitingIn.size();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            // A return address is looked up inside its call.
            const std::uint64_t pc = frames[i].instructionPointer() - (i > 0 ? 1 : 0);
            if (pc < image->imageBaseAddress() || pc - image->imageBaseAddress() >= image->imageSize()) continue;
            const auto expected = holders(functions, pc - image->imageBaseAddress());
            if (expected.empty()) continue;
            ASSERT_TRUE(frames[i].symbolInfo())
                << "frame " << i << " of thread " << thread.threadNumber() << " is in " << *expected.begin();
            const std::string& name = frames[i].symbolInfo()->symbolName();
            EXPECT_EQ(expected.count(name), 1u) << name << " for a pc in " << *expected.begin();
            if (name.find("tessivar_named_frames_wait") != std::string::npos) waitingIn.insert(name);
            ++checked;
        }
        waitingThreads += waitingIn.size() > waitingBefore ? 1 : 0;
        if (!thread.crashed()) continue;
        const auto names = tessivar::testing::symbolNames(thread);
        ASSERT_GE(names.size(), 2u);
        EXPECT_NE(names[0].find("writeThroughNull"), std::string::npos) << "a function of the program's own";
        EXPECT_EQ(names[1], "tessivar_named_frames_crash");
    }
    // A thread that was not stopped in time (on a busy machine) is listed
    // without frames; each one walked waits in 8 functions of its own.
    const auto unwalked = std::count_if(report->threads().begin(), report->threads().end(),
                                        [](const auto& thread) { return thread.stackFrames().empty(); });
    EXPECT_EQ(waitingIn.size(), waitingThreads * 8) << "each waiting thread's own functions, all of them";
    EXPECT_GT(waitingIn.size(), ZZCRASH_LOG_SYMBOL_CACHE_ENTRIES)
        << "too few return addresses to share a slot; " << unwalked << " of " << report->threads().size()
        << " threads without frames";
    EXPECT_GT(checked, waitingIn.size());
}

INSTANTIATE_TEST_SUITE_P(Programs, NamedFrames,
                         ::testing::Values(TESSIVAR_NAMED_FRAMES_CHILD, TESSIVAR_NAMED_FRAMES_CHILD_EXPORTED),
                         [](const auto& program) {
                             return program.index == 0 ? std::string("ExportingNothing") : "Exporting";
                         });

}  // namespace
