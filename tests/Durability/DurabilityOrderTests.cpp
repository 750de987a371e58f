// The order in which stored bytes reach the disk, read from the system calls of
// a program that stores them: no test inside the process sees a missing sync,
// since every file reads back the same without one.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "Platform/Testing/TemporaryDirectory.h"
#include "SyscallTrace.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ShellCommand.h"

namespace durability_tests {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Span = SyscallTrace::Span;

constexpr const char* kTracedCalls = "openat,write,pwrite64,writev,fsync,fdatasync,rename,renameat,renameat2";

// The probe's calls, every thread's, each descriptor printed with its path.
SyscallTrace traced(const std::string& mode, const fs::path& target, const fs::path& traceFile) {
    const auto strace = tessivar::testing::ChildProcess::findProgram("strace");
    EXPECT_FALSE(strace.empty()) << "strace is missing (scripts/install-deps.sh installs it)";
    using tessivar::testing::shellQuoted;
    const auto run = tessivar::testing::runShellCommand(
        shellQuoted(strace) + " -f -y -qq -o " + shellQuoted(traceFile) + " -e trace=" + kTracedCalls + " " +
            shellQuoted(DURABILITY_PROBE) + " " + mode + " " + shellQuoted(target),
        60s);
    EXPECT_TRUE(run.succeeded()) << run.output;
    std::ifstream in(traceFile);
    return SyscallTrace(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

// A sync of the folder that began after `after` ended and ended before `mark` began.
bool folderSyncedBetween(const SyscallTrace& trace, const fs::path& folder, std::size_t after, Span mark) {
    for (const auto& sync : trace.folderSyncs(folder.string())) {
        if (sync.began > after && sync.ended < mark.began) return true;
    }
    return false;
}

// Whichever way a record was written (a temporary renamed, a kept spare renamed
// back), before the queue's sync returns its bytes have reached the disk on a
// descriptor of that very file, and after that and after its naming the folder
// has been synced.
TEST(DurabilityOrder, EveryQueuedRecordAndThenItsFolderReachTheDiskBeforeTheSyncReturns) {
    platform::TemporaryDirectory scratch;
    const auto folder = scratch.path() / "queue";
    const auto trace = traced("queue", folder, scratch.path() / "trace");
    const auto mark = trace.mark("synced");
    ASSERT_TRUE(mark);
    EXPECT_TRUE(fs::is_empty(folder / ".spare")) << "every kept spare took a record";
    std::size_t records = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename() == ".spare") continue;
        ++records;
        SCOPED_TRACE(entry.path().filename().string());
        const auto history = trace.file(entry.path().string());
        ASSERT_TRUE(history.named) << "never seen taking its name";
        ASSERT_TRUE(history.lastSync) << "its bytes were never synced";
        EXPECT_LT(history.lastSync->ended, mark->began);
        EXPECT_TRUE(folderSyncedBetween(trace, folder, std::max(history.lastSync->ended, history.named->ended), *mark))
            << "the folder was not synced after the record";
    }
    EXPECT_EQ(records, 150u);
}

// The settings file is replaced by a rename: its new bytes must be on the disk
// before the rename, or a power cut could leave an empty file in its place.
TEST(DurabilityOrder, TheSettingsFileReachesTheDiskBeforeItsRenameAndItsFolderAfter) {
    platform::TemporaryDirectory scratch;
    const auto file = scratch.path() / "settings" / "defaults.json";
    const auto trace = traced("settings", file, scratch.path() / "trace");
    const auto mark = trace.mark("stored");
    ASSERT_TRUE(mark);
    const auto history = trace.file(file.string());
    ASSERT_TRUE(history.named);
    EXPECT_TRUE(history.syncedWhenNamed) << "renamed into place before its bytes were synced";
    EXPECT_TRUE(folderSyncedBetween(trace, file.parent_path(), history.named->ended, *mark));
}

}  // namespace
}  // namespace durability_tests
