// Time to write the crash log of a process with 8 threads, each 30 frames
// deep in its own calls below a run through libc, zlib and QtCore
// (CrossLibraryStack), so that each stack crosses several libraries' unwind
// tables and symbols as a crash meets them: the report a crash handler writes (the other threads
// stopped, every stack walked and, with the symbol-table strategy, named, the
// images, the registers, the encoding counted and written, the file opened,
// flushed and closed), with the allocations it made counted (they must be 0):
// CrashLogWrite/1 names the frames from the images' symbol tables,
// CrashLogWrite/0 does not name them.
//
// Two references measured in the same run:
// - LibunwindStacks: the least a stack dump of the same threads does: the
//   other threads are signalled and each takes its own return addresses with
//   libunwind's unw_backtrace in the handler, the calling thread takes its
//   own, and the raw addresses go to the same file with write(2). No names,
//   registers, images or encoding. LibunwindStacks/0 keeps libunwind's
//   caches from one run to the next, LibunwindStacks/1 flushes them first,
//   as a crash meets them (the writer starts each report with empty caches).
// - LogBytesWrite: the bytes of one such crash log written to the same file
//   with a single write(2): what the file alone costs.
//
// And what enabling costs before any crash: ImageListing lists this
// program's images as the reporter does when it is enabled (each image's
// headers read, its search table sampled, its exported functions sorted),
// into a fresh list each time, beside ProgramStart, this same program
// started and ended without the reporter (spawned with --start-only, which
// leaves main at once) and waited for.
#define UNW_LOCAL_ONLY
#include <fcntl.h>
#include <libunwind.h>
#include <linux/futex.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "CrashReporter/Report/ZZCrashReport.h"
#include "CrashReporter/Writer/zzcrash_crash_context.h"
#include "CrossLibraryStack.h"
#include "RatioReporter.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"

namespace {

constexpr int threadCount = 8;  // the benchmark's own thread and these others
constexpr int depth = 30;
constexpr int maxFrames = 64;

// The crash-time record lives in static storage, as the reporter's does.
zzcrash_crash_context context;
zzcrash_async_image_list images;
std::string reportPath;

std::atomic<bool> parkedThreadsEnd{false};
std::atomic<int> parkedThreadsReady{0};

void park(void*) {
    parkedThreadsReady.fetch_add(1);
    parkedThreadsEnd.wait(false);
}

// The other seven threads, parked 30 frames deep until the run ends.
class ParkedThreads {
public:
    ParkedThreads() {
        for (int i = 1; i < threadCount; ++i)
            threads_.emplace_back([] { tessivar::bench::throughLibraries(depth, park, nullptr); });
        while (parkedThreadsReady.load() < threadCount - 1) std::this_thread::yield();
    }
    ~ParkedThreads() {
        parkedThreadsEnd.store(true);
        parkedThreadsEnd.notify_all();
        for (auto& thread : threads_) thread.join();
    }
    ParkedThreads(const ParkedThreads&) = delete;
    ParkedThreads& operator=(const ParkedThreads&) = delete;

    std::vector<pid_t> ids() const {
        std::vector<pid_t> ids;
        zzcrash_thread_list list{};
        zzcrash_thread_list_read(&list);
        for (std::uint32_t i = 0; i < list.count; ++i)
            if (list.threads[i] != gettid()) ids.push_back(list.threads[i]);
        return ids;
    }

private:
    std::vector<std::thread> threads_;
};

std::vector<std::uint8_t> fileBytes() {
    std::vector<std::uint8_t> bytes;
    const int fd = open(reportPath.c_str(), O_RDONLY | O_CLOEXEC);
    std::uint8_t chunk[65536];
    for (ssize_t got; (got = read(fd, chunk, sizeof chunk)) > 0;) bytes.insert(bytes.end(), chunk, chunk + got);
    close(fd);
    return bytes;
}

// The crash log of the calling thread, stopped where it calls this; what a
// crash handler does from the point where the faulting thread's state is known.
zzcrash_error_t writeCrashLog(const zzcrash_log_signal_info* signal) {
    zzcrash_write_report_request request{&context, zzcrash_thread_self(), signal};
    return zzcrash_async_thread_state_current(zzcrash_write_report_callback, &request);
}

const zzcrash_log_bsd_signal_info segv{SIGSEGV, SEGV_MAPERR, 0x10};
const zzcrash_log_signal_info segvInfo{&segv, nullptr};

void setStrategy(std::uint32_t strategy) {
    // Fails only without the process's own facts, which the write measured does without.
    (void)zzcrash_log_writer_init(&context.writer, "com.brel.tessivar", "1", "1.0.0", strategy, false);
}

// A crash meets the other threads at work, not still on their way out of the
// last stop's signal handlers: between runs, untimed, they are let settle
// (for the figure and the references alike).
void settle(benchmark::State& state) {
    state.PauseTiming();
    usleep(1000);
    state.ResumeTiming();
}

void measureCrashLogWrite(void* argument) {
    auto& state = *static_cast<benchmark::State*>(argument);
    std::size_t allocations = 0;
    for (auto _ : state) {
        {
            const tessivar::testing::AllocationTrap trap;
            if (writeCrashLog(&segvInfo) != ZZCRASH_ESUCCESS) state.SkipWithError("the crash log was not written");
            allocations += trap.calls();
        }
        settle(state);
    }
    state.counters["allocations"] = static_cast<double>(allocations);
}

void CrashLogWrite(benchmark::State& state) {
    setStrategy(static_cast<std::uint32_t>(state.range(0)));
    tessivar::bench::throughLibraries(depth, measureCrashLogWrite, &state);
    const auto decoded = ZZCrashReport::fromData(fileBytes());
    const auto* report = std::get_if<ZZCrashReport>(&decoded);
    if (!report) return state.SkipWithError("the crash log does not read");
    std::size_t frames = 0;
    for (const auto& thread : report->threads()) frames += thread.stackFrames().size();
    state.counters["threads"] = static_cast<double>(report->threads().size());
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["bytes"] = static_cast<double>(fileBytes().size());
}

// The reference's stacks: one slot per thread, each filled by its thread.
struct Stack {
    std::atomic<pid_t> thread;
    void* frames[maxFrames];
    int count;
};
Stack stacks[threadCount];
std::uint32_t stacksTaken = 0;

void futexWait(std::uint32_t& word, std::uint32_t expected) {
    syscall(SYS_futex, &word, FUTEX_WAIT_PRIVATE, expected, nullptr, nullptr, 0);
}
void futexWake(std::uint32_t& word) { syscall(SYS_futex, &word, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0); }

int stackSignal() { return SIGRTMIN + 2; }

void takeOwnStack(int, siginfo_t*, void*) {
    const pid_t self = gettid();
    for (Stack& stack : stacks) {
        if (stack.thread.load() != self) continue;
        stack.count = unw_backtrace(stack.frames, maxFrames);
        std::atomic_ref(stacksTaken).fetch_add(1);
        futexWake(stacksTaken);
        return;
    }
}

void installStackSignal(const std::vector<pid_t>& others) {
    stacks[0].thread.store(gettid());
    for (std::size_t i = 0; i < others.size(); ++i) stacks[i + 1].thread.store(others[i]);
    struct sigaction action {};
    action.sa_sigaction = takeOwnStack;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_RESTART;
    sigaction(stackSignal(), &action, nullptr);
}

// The references open and finish the file as the writer does: over what was
// there, cut to the new length at the end. (Opened with O_TRUNC, ext4 would
// also flush the file at its close, which the writer never pays for.)
int openLikeTheWriter() { return open(reportPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600); }
bool finishLikeTheWriter(int fd, bool written, std::size_t length) {
    written = written && ftruncate(fd, static_cast<off_t>(length)) == 0;
    return close(fd) == 0 && written;
}

bool writeStacks() {
    const int fd = openLikeTheWriter();
    bool written = fd >= 0;
    std::size_t total = 0;
    for (const Stack& stack : stacks) {
        const auto length = static_cast<std::size_t>(stack.count) * sizeof(void*);
        written = written && write(fd, stack.frames, length) == static_cast<ssize_t>(length);
        total += length;
    }
    return finishLikeTheWriter(fd, written, total);
}

void takeStacks() {
    std::atomic_ref(stacksTaken).store(0);
    for (std::size_t i = 1; i < threadCount; ++i) syscall(SYS_tgkill, getpid(), stacks[i].thread.load(), stackSignal());
    stacks[0].count = unw_backtrace(stacks[0].frames, maxFrames);
    for (std::uint32_t taken; (taken = std::atomic_ref(stacksTaken).load()) < threadCount - 1;)
        futexWait(stacksTaken, taken);
}

void measureLibunwindStacks(void* argument) {
    auto& state = *static_cast<benchmark::State*>(argument);
    const bool cold = state.range(0) != 0;
    for (auto _ : state) {
        if (cold) unw_flush_cache(unw_local_addr_space, 0, 0);
        takeStacks();
        if (!writeStacks()) state.SkipWithError("the stacks were not written");
        settle(state);
    }
    int frames = 0;
    for (const Stack& stack : stacks) frames += stack.count;
    state.counters["threads"] = threadCount;
    state.counters["frames"] = frames;
}

void LibunwindStacks(benchmark::State& state) {
    tessivar::bench::throughLibraries(depth, measureLibunwindStacks, &state);
}

void LogBytesWrite(benchmark::State& state) {
    setStrategy(ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE);
    tessivar::bench::throughLibraries(
        depth, [](void*) { writeCrashLog(&segvInfo); }, nullptr);
    const std::vector<std::uint8_t> log = fileBytes();
    for (auto _ : state) {
        const int fd = openLikeTheWriter();
        const bool written = zzcrash_async_write_all(fd, log.data(), log.size()) >= 0;
        if (!finishLikeTheWriter(fd, written, log.size())) state.SkipWithError("the bytes were not written");
    }
    state.counters["bytes"] = static_cast<double>(log.size());
}

void ImageListing(benchmark::State& state) {
    std::size_t listed = 0;
    for (auto _ : state) {
        zzcrash_async_image_list list;
        zzcrash_async_image_list_init(&list, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
        zzcrash_elf_image_list_refresh(&list);
        listed = 0;
        for (zzcrash_async_image* image = zzcrash_async_image_list_next(&list, nullptr); image;
             image = zzcrash_async_image_list_next(&list, image))
            ++listed;
        zzcrash_async_image_list_free(&list);
    }
    state.counters["images"] = static_cast<double>(listed);
}

constexpr char startOnly[] = "--start-only";

void ProgramStart(benchmark::State& state) {
    char self[] = "/proc/self/exe";
    char flag[sizeof startOnly];
    std::memcpy(flag, startOnly, sizeof startOnly);
    char* const arguments[] = {self, flag, nullptr};
    for (auto _ : state) {
        pid_t child = 0;
        int status = 0;
        if (posix_spawn(&child, self, nullptr, nullptr, arguments, environ) != 0 ||
            waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return state.SkipWithError("the program did not start and end");
    }
}

BENCHMARK(CrashLogWrite)->Arg(ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(LibunwindStacks)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(LogBytesWrite)->Unit(benchmark::kMicrosecond);
BENCHMARK(ImageListing)->Unit(benchmark::kMicrosecond);
BENCHMARK(ProgramStart)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], startOnly) == 0) return 0;
    char folder[] = "/tmp/crash-log-bench.XXXXXX";
    if (!mkdtemp(folder)) return 1;
    reportPath = std::string(folder) + "/live_report.zzcrash";
    std::memcpy(context.report_path, reportPath.c_str(), reportPath.size() + 1);
    zzcrash_async_image_list_init(&images, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_elf_image_list_refresh(&images);
    context.images = &images;
    zzcrash_thread_stopper_install();
    const ParkedThreads parked;
    installStackSignal(parked.ids());

    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"CrashLogWrite/1", "LibunwindStacks/0"},
                                             {"CrashLogWrite/0", "LibunwindStacks/0"},
                                             {"CrashLogWrite/1", "LibunwindStacks/1"},
                                             {"CrashLogWrite/0", "LibunwindStacks/1"},
                                             {"CrashLogWrite/1", "LogBytesWrite"},
                                             {"ImageListing", "ProgramStart"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    zzcrash_log_writer_free(&context.writer);
    zzcrash_async_image_list_free(&images);
    unlink(reportPath.c_str());
    rmdir(folder);
    return 0;
}
