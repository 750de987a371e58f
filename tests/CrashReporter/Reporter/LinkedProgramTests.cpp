// Linking the reporter changes nothing of a program's own: the archives define
// no function of the C library's, and a statically linked program starts its
// threads as it would without them, while the threads it asks to be covered
// get their stacks and have their overflows reported.
#include <dlfcn.h>
#include <gnu/libc-version.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "tests/CrashReporter/Reporter/CrashChild.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Writer/LogReading.h"
#include "tests/support/ShellCommand.h"

namespace {

namespace fs = std::filesystem;
using tessivar::testing::shellQuoted;

// The names `nm` lists as defined (and global) in `file`, without symbol versions.
std::set<std::string> definedNames(const std::string& options, const std::string& file) {
    const auto listing = tessivar::testing::runShellCommand(
        std::string(TESSIVAR_NM) + " " + options + " --defined-only " + shellQuoted(file) + " 2>/dev/null",
        std::chrono::seconds(60));
    EXPECT_TRUE(listing.succeeded()) << file;
    std::set<std::string> names;
    std::istringstream lines(listing.output);
    std::string address, type, name;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        if (!(fields >> address >> type >> name)) continue;
        names.insert(name.substr(0, name.find('@')));
    }
    return names;
}

std::string cLibraryPath() {
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&gnu_get_libc_version), &info);
    return info.dli_fname ? info.dli_fname : "";
}

TEST(LinkedProgram, TheArchivesDefineNothingTheCLibraryDefines) {
    const std::set<std::string> cLibrary = definedNames("-D", cLibraryPath());
    ASSERT_GT(cLibrary.count("pthread_create"), 0u) << cLibraryPath();
    std::istringstream archives(TESSIVAR_CRASH_ARCHIVES);
    for (std::string archive; std::getline(archives, archive, ':');) {
        const std::set<std::string> ours = definedNames("-g", archive);
        ASSERT_FALSE(ours.empty()) << archive;
        std::vector<std::string> both;
        std::set_intersection(ours.begin(), ours.end(), cLibrary.begin(), cLibrary.end(), std::back_inserter(both));
        EXPECT_TRUE(both.empty()) << archive << " defines " << ::testing::PrintToString(both);
    }
}

struct StaticRun {
    const char* mode;
    int signal;          // the one it dies by; 0: it exits 0
    const char* output;  // exactly
};

// Threads not asked for get no stack: the reporter replaces no thread start.
const StaticRun kStaticRuns[] = {
    {"threads", 0,
     "before enabling, pthread_create: 0 none\n"
     "pthread_create: 0 none\n"
     "pthread_create, asking for its stack: 0 64\n"
     "zzcrash_thread_create: 0 64\n"},
    {"overflow", SIGSEGV, ""},
};

TEST(LinkedProgram, AStaticProgramStartsThreadsAndHasTheOnesItAskedForCovered) {
    for (const StaticRun& run : kStaticRuns) {
        SCOPED_TRACE(run.mode);
        const fs::path base = tessivar::testing::emptyReportFolder("static-program");
        const auto result = tessivar::testing::runForked(
            [&](int output) {
                tessivar::testing::withoutCoreDumps();
                dup2(output, STDOUT_FILENO);
                execl(TESSIVAR_STATIC_CRASH_PROGRAM, TESSIVAR_STATIC_CRASH_PROGRAM, run.mode, base.c_str(), nullptr);
                return 127;
            },
            std::chrono::seconds(30));
        EXPECT_EQ(result.output, run.output);
        if (run.signal == 0) {
            EXPECT_TRUE(result.exitedWith(0)) << "wait status " << result.status;
        } else {
            EXPECT_TRUE(result.killedBy(run.signal)) << "wait status " << result.status;
        }
        const auto log =
            ZZCrashReporter("com.brel.tessivar/static", "1", std::nullopt, ZZCrashReporterConfig(base.string()))
                .loadPendingCrashReportData();
        ASSERT_EQ(log.has_value(), run.signal != 0);
        if (log) {
            const auto report = tessivar::testing::decodedLog(*log);
            ASSERT_TRUE(report);
            EXPECT_EQ(report->signalInfo().name(), "SIGSEGV");
            EXPECT_TRUE(std::any_of(report->threads().begin(), report->threads().end(), [](const auto& thread) {
                return thread.crashed() && !thread.stackFrames().empty();
            }));
        }
        fs::remove_all(base);
    }
}

}  // namespace
