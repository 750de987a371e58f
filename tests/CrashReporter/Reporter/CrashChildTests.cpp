// Crashes for real: a child enables the reporter, parks two threads, sets
// custom data and crashes; the parent checks that it died by its signal (so
// the default action, and a core dump where they are on, still happen) and
// reads the report the next launch finds. The child's crash callback, run
// after the report was written, says how many allocations the crash path made,
// how much of the alternate stack it used and how big that stack was (64 KiB,
// the reporter's own, unless the thread had a bigger one).
#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <setjmp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "CrashReporter/Signals/zzcrash_thread_start.h"
#include "CrashReporter/ZZCrashReporter.h"
#include "tests/CrashReporter/Reporter/CrashChild.h"
#include "tests/CrashReporter/Support/AllocationTrap.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/ParkedThreads.h"
#include "tests/CrashReporter/Writer/LogReading.h"
#include "tests/support/ShellCommand.h"

namespace {

namespace fs = std::filesystem;
using tessivar::testing::AllocationTrap;
using tessivar::testing::reporterIn;
using tessivar::testing::withoutCoreDumps;

#define CRASH_CHILD_FUNCTION extern "C" __attribute__((noinline, visibility("default")))

// What the child's crash callback reports.
struct CrashMeasures {
    std::size_t allocations;
    std::size_t stackUsed;  // bytes of the alternate stack the crash path touched
    std::size_t stackSize;  // of that alternate stack
};

constexpr unsigned char stackPaint = 0xA5;
const std::vector<std::uint8_t> customData = {'{', '"', 'd', 'i', 's', 't', 'i', 'n', 'c', 't',
                                              '_', 'i', 'd', '"', ':', '"', 'u', '1', '"', '}'};

int measuresOutput = -1;
AllocationTrap* trap = nullptr;

// Counts from here on: every crash arms it at the last moment, so that what
// the crash itself allocates beforehand (a thread, a thrown exception) is not
// counted as the crash path's.
void armTrap() { trap = new AllocationTrap; }

}  // namespace

CRASH_CHILD_FUNCTION void tessivar_crash_child_write_at(std::uintptr_t address) {
    *reinterpret_cast<volatile int*>(address) = 1;
    asm volatile("");
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_write_null() {
    armTrap();
    tessivar_crash_child_write_at(0x10);
    asm volatile("");
}

namespace {

// Gives the calling thread an alternate stack of 8 KiB above a guard page.
void useSmallAlternateStack() {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t room = 8 * 1024;
    auto* mapping = static_cast<unsigned char*>(
        mmap(nullptr, page + room, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (mapping == MAP_FAILED || mprotect(mapping, page, PROT_NONE) != 0) _exit(93);
    stack_t small{};
    small.ss_sp = mapping + page;
    small.ss_size = room;
    if (sigaltstack(&small, nullptr) != 0) _exit(94);
}

}  // namespace

// The fault comes with too little room left on the stack its handler runs on
// for the report's writer: the thread's alternate stack is cut to 8 KiB after
// the reporter was enabled.
CRASH_CHILD_FUNCTION void tessivar_crash_child_short_of_stack() {
    useSmallAlternateStack();
    tessivar_crash_child_write_null();
    asm volatile("");
}

// Faults the kernel names in ways an exception names only coarsely.
CRASH_CHILD_FUNCTION void tessivar_crash_child_write_read_only() {
    void* page =
        mmap(nullptr, static_cast<std::size_t>(sysconf(_SC_PAGESIZE)), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED) _exit(93);
    armTrap();
    tessivar_crash_child_write_at(reinterpret_cast<std::uintptr_t>(page) + 0x20);
    asm volatile("");
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_undefined_instruction() {
    armTrap();
    asm volatile("ud2");
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_divide_by_zero() {
    armTrap();
    asm volatile("xorl %%ecx, %%ecx\n\tmovl $1, %%eax\n\tcltd\n\tidivl %%ecx" ::: "eax", "ecx", "edx");
}

// A thread of the program's faults while the main thread sleeps: the stop of
// the threads for the report cuts the sleep short (no handler restarts it),
// and a main thread let go on before the fault's signal ends the process
// would return from main, an exit that says nothing of the crash.
CRASH_CHILD_FUNCTION void* tessivar_crash_child_fault_on_worker(void*) {
    armTrap();
    tessivar_crash_child_write_at(0x50);
    return nullptr;
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_worker_faults_while_main_sleeps() {
    pthread_t worker;
    if (pthread_create(&worker, nullptr, tessivar_crash_child_fault_on_worker, nullptr) != 0) _exit(92);
    sleep(10);
}

// The same with a thread made by clone(2) itself, which has no thread
// library record and no alternate stack.
CRASH_CHILD_FUNCTION int tessivar_crash_child_fault_on_clone(void*) {
    tessivar_crash_child_write_at(0x60);
    return 0;
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_clone_faults_while_main_sleeps() {
    constexpr std::size_t stackBytes = 256 * 1024;
    auto* stack = static_cast<unsigned char*>(
        mmap(nullptr, stackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0));
    if (stack == MAP_FAILED) _exit(93);
    armTrap();
    constexpr int flags = CLONE_VM | CLONE_FS | CLONE_FILES | CLONE_SIGHAND | CLONE_THREAD | CLONE_SYSVSEM;
    if (clone(tessivar_crash_child_fault_on_clone, stack + stackBytes, flags, nullptr) < 0) _exit(92);
    sleep(10);
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_abort() {
    armTrap();
    abort();
}

// Opens the library only now, after the reporter was enabled, and crashes in it.
CRASH_CHILD_FUNCTION void tessivar_crash_child_in_late_library() {
    void* library = dlopen(TESSIVAR_LATE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) _exit(93);
    auto* crash =
        reinterpret_cast<int (*)(void (*)(), std::uintptr_t)>(dlsym(library, "tessivar_late_library_write_null"));
    if (!crash) _exit(94);
    crash(armTrap, 0x18);
    asm volatile("");
}

CRASH_CHILD_FUNCTION void tessivar_crash_child_throw() { throw std::runtime_error("the jump engine lost its screen"); }

// The library's wrapper around the exception, with the one being handled inside.
CRASH_CHILD_FUNCTION void tessivar_crash_child_throw_nested() {
    try {
        throw std::out_of_range("no display 3");
    } catch (const std::out_of_range&) {
        std::throw_with_nested(std::runtime_error("the jump engine lost its screen"));
    }
}

namespace {

// On a thread of its own, where nothing catches what it throws (on the
// test's thread the test framework would).
void throwOnAThreadOfItsOwn(void (*throwing)()) {
    pthread_t thread;
    pthread_create(
        &thread, nullptr,
        [](void* function) -> void* {
            reinterpret_cast<void (*)()>(function)();
            return nullptr;
        },
        reinterpret_cast<void*>(throwing));
    pthread_join(thread, nullptr);
}

}  // namespace

CRASH_CHILD_FUNCTION void tessivar_crash_child_throw_uncaught() { throwOnAThreadOfItsOwn(tessivar_crash_child_throw); }

CRASH_CHILD_FUNCTION void tessivar_crash_child_throw_nested_uncaught() {
    throwOnAThreadOfItsOwn(tessivar_crash_child_throw_nested);
}

CRASH_CHILD_FUNCTION int tessivar_crash_child_recurse(int depth) {
    if (depth < 0) return 0;  // never: the stack ends first
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return tessivar_crash_child_recurse(depth + 1) + frame[(depth * 7) % sizeof frame];
}

namespace {

// `count` threads, each writing through its own bad address (0x10, 0x20,
// ...) once the last of them is ready. They wait blocked, not spinning: a
// hundred spinning threads on a busy machine keep each other from being
// scheduled, and one that is not scheduled before the stop of the threads
// gives up on it is rightly listed without its stack.
void faultTogether(int count) {
    std::atomic<int> ready{0};
    std::atomic<bool> armed{false};
    auto fault = [&](std::uintptr_t address) {
        if (ready.fetch_add(1) == count - 1) {
            armTrap();
            armed.store(true);
            armed.notify_all();
        }
        armed.wait(false);
        tessivar_crash_child_write_at(address);
    };
    // Reserved first: a vector growing while the last thread has armed the
    // trap would count the release of its old storage as the crash path's.
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(count));
    for (int i = 1; i <= count; ++i) threads.emplace_back(fault, 0x10 * i);
    for (std::thread& thread : threads) thread.join();
}

std::vector<std::uintptr_t> faultAddresses(int count) {
    std::vector<std::uintptr_t> addresses;
    for (int i = 1; i <= count; ++i) addresses.push_back(0x10 * i);
    return addresses;
}

constexpr int hundred = 100;

}  // namespace

CRASH_CHILD_FUNCTION void tessivar_crash_child_two_threads() { faultTogether(2); }
CRASH_CHILD_FUNCTION void tessivar_crash_child_hundred_threads() { faultTogether(hundred); }

namespace {

// Tells the thread started before the reporter was enabled to overflow its
// stack; a thread started later overflows at once.
std::atomic<bool> overflowTheEarlyThread{false};
std::atomic<bool> overflowAtOnce{true};

}  // namespace

// Its stack small enough for the walker to reach this frame below the
// recursion, so that the report shows which thread it was.
CRASH_CHILD_FUNCTION void* tessivar_crash_child_overflow_when_told(void* told) {
    while (!static_cast<std::atomic<bool>*>(told)->load()) usleep(1000);
    armTrap();
    tessivar_crash_child_recurse(0);
    return nullptr;
}

namespace {

using ThreadStart = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

pthread_t startOverflowingThread(ThreadStart start, std::atomic<bool>* told) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread;
    if (start(&thread, &attributes, tessivar_crash_child_overflow_when_told, told) != 0) _exit(92);
    pthread_attr_destroy(&attributes);
    return thread;
}

// The enabling thread waits while another one crashes.
void overflowTheThreadFromBeforeEnable() {
    overflowTheEarlyThread.store(true);
    for (;;) pause();
}

// Started the way a program has its later threads covered.
void overflowAThreadStartedAfterEnable() {
    pthread_join(startOverflowingThread(zzcrash_thread_create, &overflowAtOnce), nullptr);
}

stack_t alternateStack() {
    stack_t stack{};
    sigaltstack(nullptr, &stack);
    return stack;
}

std::size_t alternateStackUsed(const stack_t& stack) {
    const auto* bytes = static_cast<const unsigned char*>(stack.ss_sp);
    std::size_t untouched = 0;
    while (untouched < stack.ss_size && bytes[untouched] == stackPaint) ++untouched;
    return stack.ss_size - untouched;
}

void paintAlternateStack() {
    const stack_t stack = alternateStack();
    std::memset(stack.ss_sp, stackPaint, stack.ss_size);
}

void onReportWritten(siginfo_t*, ucontext_t*, void*) {
    const stack_t stack = alternateStack();
    const CrashMeasures measures{trap ? trap->calls() : ~std::size_t{0}, alternateStackUsed(stack), stack.ss_size};
    if (write(measuresOutput, &measures, sizeof measures) < 0) _exit(91);
}

// Replaced by the reporter's own, which calls it once it has recorded the
// exception.
[[noreturn]] void armTrapAndAbort() {
    armTrap();
    abort();
}

int crashChild(int output, const fs::path& base, unsigned handlerType, void (*crash)(),
               void (*beforeEnabling)() = nullptr) {
    measuresOutput = output;
    withoutCoreDumps();
    if (beforeEnabling) beforeEnabling();
    ZZCrashReporter reporter = reporterIn(base, handlerType);
    reporter.setCustomData(customData);
    const ZZCrashReporterCallbacks callbacks{0, nullptr, onReportWritten};
    reporter.setCrashCallbacks(&callbacks);
    std::set_terminate(armTrapAndAbort);
    pthread_detach(startOverflowingThread(pthread_create, &overflowTheEarlyThread));
    if (!reporter.enableCrashReporter()) return 1;
    const tessivar::testing::ParkedThreads parked(2);
    paintAlternateStack();
    crash();
    return 2;
}

void crashByRecursion() {
    armTrap();
    tessivar_crash_child_recurse(0);
}

struct Crash {
    const char* what;
    void (*crash)();
    unsigned handlerType;
    int signal;
    const char* signalName;
    std::vector<std::string> codes;         // one of them
    std::vector<std::uintptr_t> addresses;  // one of them; empty: any but 0
    const char* firstFrame;                 // the symbol of the crashed thread's first frame, or null
    const char* onTheStack;                 // a function further down the crashed thread's stack
    bool mainThread;                        // the main thread crashed, which has the alternate stack
    bool onAlternateStack;                  // the report was written there (not on the exception server's thread)
    std::optional<std::uint64_t>
        exceptionCode;  // the exception's first code (for a bad access, its kind); none: caught as a signal
    const char* exceptionName = nullptr;  // the uncaught exception's, thrown by `onTheStack`; null: none
    const char* library = nullptr;        // the image the first frame lies in, by its file name; null: any
    std::size_t threads = 3;              // the report lists at least this many
    std::uint32_t exceptionType = 1;      // the exception it was caught as (1: a bad access)
    void (*beforeEnabling)() = nullptr;   // what the program did to the enabling thread before it enabled
};

void PrintTo(const Crash& crash, std::ostream* out) { *out << crash.what; }

std::size_t index(const std::vector<std::string>& names, const std::string& name) {
    return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

std::string executablePath() { return fs::read_symlink("/proc/self/exe").string(); }

void checkReport(const Crash& crash, const ZZCrashReport& report) {
    ASSERT_GE(report.threads().size(), crash.threads);
    std::vector<const ZZCrashReportThreadInfo*> crashed;
    for (const auto& thread : report.threads()) {
        if (thread.crashed()) crashed.push_back(&thread);
        EXPECT_FALSE(thread.stackFrames().empty());
    }
    ASSERT_EQ(crashed.size(), 1u);
    ASSERT_EQ(crashed[0]->registers().size(), 21u);
    EXPECT_EQ(crashed[0]->registers()[0].registerName(), "rip");
    const auto names = tessivar::testing::symbolNames(*crashed[0]);
    if (crash.firstFrame) {
        EXPECT_EQ(names[0], crash.firstFrame) << ::testing::PrintToString(names);
    }
    const std::size_t below = index(names, crash.onTheStack);
    EXPECT_LT(below, names.size()) << ::testing::PrintToString(names);
    if (crash.mainThread && crash.crash != crashByRecursion) {
        EXPECT_LT(below, index(names, "main")) << ::testing::PrintToString(names);
    }

    EXPECT_EQ(report.signalInfo().name(), crash.signalName);
    EXPECT_NE(std::find(crash.codes.begin(), crash.codes.end(), report.signalInfo().code()), crash.codes.end())
        << report.signalInfo().code();
    if (crash.addresses.empty()) {
        EXPECT_NE(report.signalInfo().address(), 0u);
    } else {
        EXPECT_NE(std::find(crash.addresses.begin(), crash.addresses.end(), report.signalInfo().address()),
                  crash.addresses.end());
    }

    const auto& images = report.images();
    EXPECT_TRUE(std::any_of(images.begin(), images.end(), [](const auto& image) {
        return image.imageName() == executablePath() && image.hasImageUUID();
    }));
    EXPECT_TRUE(std::any_of(images.begin(), images.end(),
                            [](const auto& image) { return image.imageName().ends_with("/libc.so.6"); }));
    EXPECT_EQ(report.customData(), customData);
    if (crash.library) {
        const auto pc = crashed[0]->stackFrames().front().instructionPointer();
        EXPECT_TRUE(std::any_of(images.begin(), images.end(),
                                [&](const auto& image) {
                                    return fs::path(image.imageName()).filename() == crash.library &&
                                           pc >= image.imageBaseAddress() &&
                                           pc - image.imageBaseAddress() < image.imageSize();
                                }))
            << "frame 0 at " << pc << " lies in no image named " << crash.library;
    }
    ASSERT_EQ(report.machExceptionInfo().has_value(), crash.exceptionCode.has_value());
    if (!crash.exceptionCode) return;
    EXPECT_EQ(report.machExceptionInfo()->type(), crash.exceptionType);
    const std::vector<std::uint64_t> codes{*crash.exceptionCode, report.signalInfo().address()};
    EXPECT_EQ(report.machExceptionInfo()->codes(), codes);
}

// The exception's stack starts at the throw, which is still on the stack
// when terminate runs: no frame of the reporter or of terminate comes first.
void checkException(const ZZCrashReport& report, const Crash& crash) {
    ASSERT_EQ(report.hasExceptionInfo(), crash.exceptionName != nullptr);
    if (!crash.exceptionName) return;
    EXPECT_EQ(report.exceptionInfo()->exceptionName(), crash.exceptionName);
    EXPECT_EQ(report.exceptionInfo()->exceptionReason(), "the jump engine lost its screen");
    ASSERT_TRUE(report.exceptionInfo()->stackFrames());
    std::vector<std::string> names;
    for (const auto& frame : *report.exceptionInfo()->stackFrames())
        names.push_back(frame.symbolInfo() ? frame.symbolInfo()->symbolName() : "");
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names.front(), "__cxa_throw") << ::testing::PrintToString(names);
    EXPECT_LT(index(names, crash.onTheStack), names.size()) << ::testing::PrintToString(names);
}

// The log as the other readers see it: protoc-c with the schema, and the text tool.
void checkOtherReaders(const std::vector<std::uint8_t>& log, const std::string& path, const Crash& crash,
                       const ZZCrashReport& report) {
    const std::string protoc = tessivar::testing::protocReading(log);
    EXPECT_NE(protoc.find("crashed: true"), std::string::npos);
    EXPECT_NE(protoc.find(std::string("name: \"") + crash.signalName + "\""), std::string::npos);
    const auto tool = tessivar::testing::runShellCommand(
        tessivar::testing::shellQuoted(TESSIVAR_CRASHLOG_BINARY) + " " + tessivar::testing::shellQuoted(path) + " 2>&1",
        std::chrono::seconds(20));
    EXPECT_TRUE(tool.succeeded());
    EXPECT_EQ(tool.output.find("prefix rules"), std::string::npos)
        << "a report made here names its symbols as they are";
    EXPECT_NE(tool.output.find(std::string("Exception Type:  ") + crash.signalName), std::string::npos) << tool.output;
    EXPECT_NE(tool.output.find("Exception Codes: " + report.signalInfo().code() + " at "), std::string::npos)
        << tool.output;
    EXPECT_NE(tool.output.find("Binary Images:"), std::string::npos);
}

// The late library's function that writes, which it does not export.
constexpr const char* lateUnexported = "_ZN12_GLOBAL__N_138tessivar_late_library_unexported_writeEm";

// Each crash is a test of its own: a child that crashes, writes and is read
// back takes seconds on a busy machine, and a case that fails is named.
// clang-format off
const Crash kCrashes[] = {
    {"a write through null", tessivar_crash_child_write_null, 0, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"}, {0x10},
     "tessivar_crash_child_write_at", "tessivar_crash_child_write_null", true, true, std::nullopt},
    {"abort", tessivar_crash_child_abort, 0, SIGABRT, "SIGABRT", {"SI_TKILL"}, {0}, nullptr,
     "tessivar_crash_child_abort", true, true, std::nullopt},
    {"an uncaught exception nested in another", tessivar_crash_child_throw_nested_uncaught, 0, SIGABRT, "SIGABRT",
     {"SI_TKILL"}, {0}, nullptr, "tessivar_crash_child_throw_nested", false, false, std::nullopt,
     "std::runtime_error"},
    {"an uncaught exception", tessivar_crash_child_throw_uncaught, 0, SIGABRT, "SIGABRT", {"SI_TKILL"}, {0}, nullptr,
     "tessivar_crash_child_throw", false, false, std::nullopt, "std::runtime_error"},
    {"a stack overflow", crashByRecursion, 0, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR", "SEGV_ACCERR"}, {},
     "tessivar_crash_child_recurse", "tessivar_crash_child_recurse", true, true, std::nullopt},
    {"two threads faulting at once", tessivar_crash_child_two_threads, 0, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"},
     {0x10, 0x20}, "tessivar_crash_child_write_at", "tessivar_crash_child_write_at", false, false, std::nullopt},
    // The fault comes to the exception server as a message, and its thread
    // writes the report while the faulting thread waits for the answer.
    {"a write through null, exception-server mode", tessivar_crash_child_write_null, 1, SIGSEGV, "SIGSEGV",
     {"SEGV_MAPERR"}, {0x10}, "tessivar_crash_child_write_at", "tessivar_crash_child_write_null", true, false, 1},
    {"a stack overflow, exception-server mode", crashByRecursion, 1, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"}, {},
     "tessivar_crash_child_recurse", "tessivar_crash_child_recurse", true, false, 1},
    {"two threads faulting at once, exception-server mode", tessivar_crash_child_two_threads, 1, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR"}, {0x10, 0x20}, "tessivar_crash_child_write_at", "tessivar_crash_child_write_at",
     false, false, 1},
    // A library opened after the enable: its frames, named from its file's
    // symbol table as those of the libraries listed at the enable are, and
    // those below them.
    {"a write through null in a library opened late", tessivar_crash_child_in_late_library, 0, SIGSEGV, "SIGSEGV",
     {"SEGV_MAPERR"}, {0x18}, lateUnexported, "tessivar_late_library_write_null", true, true, std::nullopt, nullptr,
     "libtessivar_late_library.so"},
    {"a write through null in a library opened late, exception-server mode", tessivar_crash_child_in_late_library,
     1, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"}, {0x18}, lateUnexported, "tessivar_late_library_write_null", true,
     false, 1, nullptr, "libtessivar_late_library.so"},
    // Threads other than the enabling one, started before it enabled the
    // reporter and after, have alternate stacks of their own. A guard
    // page is mapped: as an exception, a protection failure, reported as
    // the signal that ended the process.
    {"a stack overflow on a thread from before the reporter", overflowTheThreadFromBeforeEnable, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_ACCERR"}, {}, "tessivar_crash_child_recurse", "tessivar_crash_child_overflow_when_told",
     false, false, std::nullopt},
    {"a stack overflow on a thread started after the reporter", overflowAThreadStartedAfterEnable, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_ACCERR"}, {}, "tessivar_crash_child_recurse", "tessivar_crash_child_overflow_when_told",
     false, false, std::nullopt},
    {"a stack overflow on a thread from before the reporter, exception-server mode",
     overflowTheThreadFromBeforeEnable, 1, SIGSEGV, "SIGSEGV", {"SEGV_ACCERR"}, {}, "tessivar_crash_child_recurse",
     "tessivar_crash_child_overflow_when_told", false, false, 2},
    {"a stack overflow on a thread started after the reporter, exception-server mode",
     overflowAThreadStartedAfterEnable, 1, SIGSEGV, "SIGSEGV", {"SEGV_ACCERR"}, {}, "tessivar_crash_child_recurse",
     "tessivar_crash_child_overflow_when_told", false, false, 2},
    {"abort, exception-server mode", tessivar_crash_child_abort, 1, SIGABRT, "SIGABRT", {"SI_TKILL"}, {0}, nullptr,
     "tessivar_crash_child_abort", true, true, std::nullopt},
    // Each fault waits for a free reply port while the first one's report
    // is written, which names every thread's frames.
    {"a hundred threads faulting at once, exception-server mode", tessivar_crash_child_hundred_threads, 1, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR"}, faultAddresses(hundred), "tessivar_crash_child_write_at",
     "tessivar_crash_child_write_at", false, false, 1, nullptr, nullptr, hundred + 1},
    // The kernel's signal and code, in both modes.
    {"a write to a read-only page", tessivar_crash_child_write_read_only, 0, SIGSEGV, "SIGSEGV", {"SEGV_ACCERR"}, {},
     "tessivar_crash_child_write_at", "tessivar_crash_child_write_read_only", true, true, std::nullopt},
    {"a write to a read-only page, exception-server mode", tessivar_crash_child_write_read_only, 1, SIGSEGV,
     "SIGSEGV", {"SEGV_ACCERR"}, {}, "tessivar_crash_child_write_at", "tessivar_crash_child_write_read_only", true,
     false, 2},
    {"an undefined instruction", tessivar_crash_child_undefined_instruction, 0, SIGILL, "SIGILL", {"ILL_ILLOPN"}, {},
     "tessivar_crash_child_undefined_instruction", "tessivar_crash_child_undefined_instruction", true, true,
     std::nullopt},
    {"an undefined instruction, exception-server mode", tessivar_crash_child_undefined_instruction, 1, SIGILL,
     "SIGILL", {"ILL_ILLOPN"}, {}, "tessivar_crash_child_undefined_instruction",
     "tessivar_crash_child_undefined_instruction", true, false, ILL_ILLOPN, nullptr, nullptr, 3, 2},
    {"a division by zero", tessivar_crash_child_divide_by_zero, 0, SIGFPE, "SIGFPE", {"FPE_INTDIV"}, {},
     "tessivar_crash_child_divide_by_zero", "tessivar_crash_child_divide_by_zero", true, true, std::nullopt},
    {"a division by zero, exception-server mode", tessivar_crash_child_divide_by_zero, 1, SIGFPE, "SIGFPE",
     {"FPE_INTDIV"}, {}, "tessivar_crash_child_divide_by_zero", "tessivar_crash_child_divide_by_zero", true, false,
     FPE_INTDIV, nullptr, nullptr, 3, 3},
    // A thread faults while the main thread sleeps: the process still ends
    // by the fault's signal, with the whole report on disk.
    {"a worker faulting while main sleeps", tessivar_crash_child_worker_faults_while_main_sleeps, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR"}, {0x50}, "tessivar_crash_child_write_at", "tessivar_crash_child_fault_on_worker",
     false, false, std::nullopt},
    {"a worker faulting while main sleeps, exception-server mode",
     tessivar_crash_child_worker_faults_while_main_sleeps, 1, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"}, {0x50},
     "tessivar_crash_child_write_at", "tessivar_crash_child_fault_on_worker", false, false, 1},
    {"a clone thread faulting while main sleeps", tessivar_crash_child_clone_faults_while_main_sleeps, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR"}, {0x60}, "tessivar_crash_child_write_at", "tessivar_crash_child_fault_on_clone",
     false, false, std::nullopt},
    {"a clone thread faulting while main sleeps, exception-server mode",
     tessivar_crash_child_clone_faults_while_main_sleeps, 1, SIGSEGV, "SIGSEGV", {"SEGV_MAPERR"}, {0x60},
     "tessivar_crash_child_write_at", "tessivar_crash_child_fault_on_clone", false, false, 1},
    // The handler has less stack left than the writer needs: the report
    // is still whole (and an earlier one is never half overwritten).
    {"a write through null with 8 KiB of alternate stack", tessivar_crash_child_short_of_stack, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR"}, {0x10}, "tessivar_crash_child_write_at", "tessivar_crash_child_short_of_stack",
     true, false, std::nullopt},
    // A smaller alternate stack the program had before it enabled the
    // reporter is replaced by the reporter's own.
    {"a stack overflow with 8 KiB of alternate stack from before the reporter", crashByRecursion, 0, SIGSEGV,
     "SIGSEGV", {"SEGV_MAPERR", "SEGV_ACCERR"}, {}, "tessivar_crash_child_recurse", "tessivar_crash_child_recurse",
     true, true, std::nullopt, nullptr, nullptr, 3, 1, useSmallAlternateStack},
};
// clang-format on

// A test name from what the crash is: its words joined, capitalised.
std::string caseName(const ::testing::TestParamInfo<Crash>& info) {
    std::string name;
    bool capital = true;
    for (const char c : std::string(info.param.what)) {
        if (!std::isalnum(static_cast<unsigned char>(c))) {
            capital = true;
            continue;
        }
        name += capital ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
        capital = false;
    }
    return name;
}

class CrashChildWrites : public ::testing::TestWithParam<Crash> {};

TEST_P(CrashChildWrites, TheReportThatTheNextLaunchFinds) {
    const Crash& crash = GetParam();
    const fs::path base = fs::temp_directory_path() / ("crash-child-" + std::to_string(getpid()));
    fs::remove_all(base);
    const auto result = tessivar::testing::runForked(
        [&](int output) { return crashChild(output, base, crash.handlerType, crash.crash, crash.beforeEnabling); },
        std::chrono::seconds(30));
    EXPECT_TRUE(result.killedBy(crash.signal)) << "wait status " << result.status;
    // The exception server writes a later fault's report over one whose
    // thread might still have gone on, and calls back for each: two threads
    // faulting at once may make two reports before the process ends.
    const std::size_t reports = result.output.size() / sizeof(CrashMeasures);
    ASSERT_EQ(result.output.size() % sizeof(CrashMeasures), 0u);
    ASSERT_GE(reports, 1u);
    if (crash.handlerType == 0) {
        ASSERT_EQ(reports, 1u);
    }
    CrashMeasures measures{};
    for (std::size_t i = 0; i < reports; ++i) {
        std::memcpy(&measures, result.output.data() + i * sizeof measures, sizeof measures);
        EXPECT_EQ(measures.allocations, 0u);
        if (!crash.onAlternateStack) continue;
        EXPECT_GT(measures.stackUsed, 0u);
        EXPECT_LT(measures.stackUsed, 48u * 1024);
        EXPECT_GE(measures.stackSize, 64u * 1024) << "the handlers run on the reporter's stack or a bigger one";
    }

    ZZCrashReporter nextLaunch = reporterIn(base, 0);
    ASSERT_TRUE(nextLaunch.hasPendingCrashReport());
    struct stat written {};
    ASSERT_EQ(stat(nextLaunch.crashReportPath().c_str(), &written), 0);
    EXPECT_EQ(written.st_mode & 0777, 0600u) << "the user's identity and stacks are the user's alone";
    const auto log = nextLaunch.loadPendingCrashReportData();
    ASSERT_TRUE(log);
    const auto report = tessivar::testing::decodedLog(*log);
    ASSERT_TRUE(report);
    checkReport(crash, *report);
    checkException(*report, crash);
    checkOtherReaders(*log, nextLaunch.crashReportPath(), crash, *report);
    std::printf(
        "%s: %zu bytes of the alternate stack, %zu threads, %zu frames on the crashed one's stack, %zu "
        "report(s) written\n",
        crash.what, measures.stackUsed, report->threads().size(),
        std::max_element(report->threads().begin(), report->threads().end(),
                         [](auto& a, auto& b) { return a.crashed() < b.crashed(); })
            ->stackFrames()
            .size(),
        reports);
    EXPECT_TRUE(nextLaunch.purgePendingCrashReport());
    EXPECT_FALSE(nextLaunch.hasPendingCrashReport());
    fs::remove_all(base);
}

INSTANTIATE_TEST_SUITE_P(CrashChild, CrashChildWrites, ::testing::ValuesIn(kCrashes), caseName);

// A thread faulting while the main thread sleeps, run after run: each run
// ends by the fault's signal and leaves the whole report, never an exit of
// main's with an empty report.
TEST(CrashChild, AThreadFaultingWhileMainSleepsEndsTheProcessEveryTime) {
    constexpr int runs = 20;
    for (const Crash& crash : kCrashes) {
        if (!std::strstr(crash.what, "while main sleeps")) continue;
        SCOPED_TRACE(crash.what);
        for (int run = 0; run < runs; ++run) {
            const fs::path base = tessivar::testing::emptyReportFolder("crash-child-sleeping");
            const auto result = tessivar::testing::runForked(
                [&](int output) { return crashChild(output, base, crash.handlerType, crash.crash); },
                std::chrono::seconds(30));
            EXPECT_TRUE(result.killedBy(SIGSEGV)) << "run " << run << ": wait status " << result.status;
            const auto log = reporterIn(base, 0).loadPendingCrashReportData();
            ASSERT_TRUE(log) << "run " << run;
            const auto report = tessivar::testing::decodedLog(*log);
            ASSERT_TRUE(report) << "run " << run;
            EXPECT_EQ(report->signalInfo().address(), crash.addresses.front()) << "run " << run;
            fs::remove_all(base);
        }
    }
}

// Many threads deep in calls, every frame named, make a report of megabytes:
// the next launch and the text tool read it back whole.
constexpr int deepThreads = 150;
constexpr int deepThreadDepth = 300;

void crashAmongDeepThreads() {
    static_cast<void>(new tessivar::testing::ParkedThreads(deepThreads, deepThreadDepth));
    tessivar_crash_child_write_null();
}

TEST(CrashChild, AReportOfManyThreadsDeepInCallsIsReadBackWhole) {
    const fs::path base = fs::temp_directory_path() / ("crash-child-deep-" + std::to_string(getpid()));
    fs::remove_all(base);
    const auto result = tessivar::testing::runForked(
        [&](int output) { return crashChild(output, base, 0, crashAmongDeepThreads); }, std::chrono::seconds(60));
    EXPECT_TRUE(result.killedBy(SIGSEGV)) << "wait status " << result.status;
    ZZCrashReporter nextLaunch = reporterIn(base, 0);
    ASSERT_TRUE(nextLaunch.hasPendingCrashReport());
    const auto size = fs::file_size(nextLaunch.crashReportPath());
    EXPECT_GT(size, 1u << 20) << "a report of this size is what is tested";
    EXPECT_LE(size, ZZCRASH_LOG_MAX_BYTES);
    ZZCrashReporterError error(ZZCrashReporterError::Code::invalidCrashReport, "");
    const auto log = nextLaunch.loadPendingCrashReportData(&error);
    ASSERT_TRUE(log) << error.description();
    const auto report = tessivar::testing::decodedLog(*log);
    ASSERT_TRUE(report);
    std::size_t deepOnes = 0;
    for (const auto& thread : report->threads()) {
        const auto names = tessivar::testing::symbolNames(thread);
        deepOnes += std::count(names.begin(), names.end(), "tessivar_parked_thread_descend") >= deepThreadDepth ? 1 : 0;
    }
    EXPECT_EQ(deepOnes, static_cast<std::size_t>(deepThreads));
    const auto tool = tessivar::testing::runShellCommand(
        tessivar::testing::shellQuoted(TESSIVAR_CRASHLOG_BINARY) + " " +
            tessivar::testing::shellQuoted(nextLaunch.crashReportPath()) + " >/dev/null",
        std::chrono::seconds(60));
    EXPECT_TRUE(tool.succeeded()) << tool.output;
    std::printf("%d threads %d calls deep: a report of %ju bytes\n", deepThreads, deepThreadDepth,
                static_cast<std::uintmax_t>(size));
    fs::remove_all(base);
}

// What a fault handler of the program's, installed before the reporter was
// enabled, does with a write through a bad address: says so and puts the
// default action back (the fault comes again and ends the process), or
// jumps out of the fault, after which the program exits or aborts.
enum class EarlierHandler { printsAndReturns, jumpsOutThenExits, jumpsOutThenAborts };

constexpr char earlierHandlerRan[] = "the earlier handler ran\n";
int earlierHandlerOutput = -1;
EarlierHandler earlierHandler = EarlierHandler::printsAndReturns;
sigjmp_buf pastTheFault;

void onFaultBeforeTheReporter(int, siginfo_t*, void*) {
    if (write(earlierHandlerOutput, earlierHandlerRan, sizeof earlierHandlerRan - 1) < 0) _exit(95);
    if (earlierHandler != EarlierHandler::printsAndReturns) siglongjmp(pastTheFault, 1);
    signal(SIGSEGV, SIG_DFL);
}

int faultUnderAnEarlierHandler(int output, const fs::path& base, unsigned handlerType, EarlierHandler handler) {
    withoutCoreDumps();
    earlierHandlerOutput = output;
    earlierHandler = handler;
    struct sigaction action {};
    action.sa_sigaction = onFaultBeforeTheReporter;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGSEGV, &action, nullptr) != 0) return 1;
    ZZCrashReporter reporter = reporterIn(base, handlerType);
    if (!reporter.enableCrashReporter()) return 1;
    if (sigsetjmp(pastTheFault, 1) == 0) tessivar_crash_child_write_at(0x70);
    if (handler == EarlierHandler::jumpsOutThenAborts) abort();
    std::exit(0);  // as a program that went on would, through its exit handlers
}

// The signal mode reports the fault before any handler of the program's
// sees it, and the process ends by the fault's default action: that handler
// never runs. In the exception-server mode the fault goes on to that
// handler: a fault it recovers from, however it recovers, leaves no report,
// one it gives up on is reported, and a crash after a recovery is reported
// as itself.
TEST(CrashChild, AFaultHandlerOfTheProgramsOwnGetsTheFaultOnlyInExceptionServerMode) {
    struct Case {
        unsigned handlerType;
        EarlierHandler handler;
        int signal;  // the one that ended the process; 0: it exited 0
        bool handlerRan;
        const char* reported;  // the report's signal; null: none
    };
    const Case cases[] = {
        {0, EarlierHandler::printsAndReturns, SIGSEGV, false, "SIGSEGV"},
        {0, EarlierHandler::jumpsOutThenExits, SIGSEGV, false, "SIGSEGV"},
        {1, EarlierHandler::printsAndReturns, SIGSEGV, true, "SIGSEGV"},
        {1, EarlierHandler::jumpsOutThenExits, 0, true, nullptr},
        {1, EarlierHandler::jumpsOutThenAborts, SIGABRT, true, "SIGABRT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "mode " << c.handlerType << ", handler " << static_cast<int>(c.handler));
        const fs::path base = tessivar::testing::emptyReportFolder("crash-child-earlier");
        const auto result = tessivar::testing::runForked(
            [&](int output) { return faultUnderAnEarlierHandler(output, base, c.handlerType, c.handler); },
            std::chrono::seconds(20));
        if (c.signal) {
            EXPECT_TRUE(result.killedBy(c.signal)) << "wait status " << result.status;
        } else {
            EXPECT_TRUE(result.exitedWith(0)) << "wait status " << result.status;
        }
        EXPECT_EQ(result.output == earlierHandlerRan, c.handlerRan) << result.output;
        const auto log = reporterIn(base, 0).loadPendingCrashReportData();
        const auto report = log ? tessivar::testing::decodedLog(*log) : std::nullopt;
        EXPECT_EQ(report ? report->signalInfo().name() : "none", c.reported ? c.reported : "none");
        fs::remove_all(base);
    }
}

// A SIGSEGV that another process (or this one) sends is no fault: the
// exception-server mode leaves it to its default action and writes no
// report, where the signal mode reports it like any other.
TEST(CrashChild, ASegvSentByKillIsNotCaughtInExceptionServerMode) {
    for (const unsigned handlerType : {1u, 0u}) {
        SCOPED_TRACE(handlerType);
        const fs::path base = fs::temp_directory_path() / ("crash-child-kill-" + std::to_string(getpid()));
        fs::remove_all(base);
        const auto result = tessivar::testing::runForked(
            [&](int) {
                withoutCoreDumps();
                ZZCrashReporter reporter = reporterIn(base, handlerType);
                if (!reporter.enableCrashReporter()) return 1;
                kill(getpid(), SIGSEGV);
                return 2;
            },
            std::chrono::seconds(20));
        EXPECT_TRUE(result.killedBy(SIGSEGV)) << "wait status " << result.status;
        EXPECT_EQ(reporterIn(base, 0).hasPendingCrashReport(), handlerType == 0);
        fs::remove_all(base);
    }
}

// A fault inside the handling of a crash, here in the application's crash
// callback after an abort's report was written, comes back to the thread that
// owns the report: it ends the process by the new fault's default action
// instead of waiting for a report that its own thread will never finish.
TEST(CrashChild, AFaultWhileTheReportIsWrittenEndsTheProcessByItsDefaultAction) {
    const fs::path base = fs::temp_directory_path() / ("crash-child-owner-" + std::to_string(getpid()));
    fs::remove_all(base);
    const auto result = tessivar::testing::runForked(
        [&](int) {
            withoutCoreDumps();
            ZZCrashReporter reporter = reporterIn(base, 0);
            const ZZCrashReporterCallbacks callbacks{
                0, nullptr, [](siginfo_t*, ucontext_t*, void*) { tessivar_crash_child_write_at(0x30); }};
            reporter.setCrashCallbacks(&callbacks);
            if (!reporter.enableCrashReporter()) return 1;
            abort();
        },
        std::chrono::seconds(10));
    EXPECT_TRUE(result.ended);
    EXPECT_TRUE(result.killedBy(SIGSEGV)) << "wait status " << result.status;
    const auto log = reporterIn(base, 0).loadPendingCrashReportData();
    ASSERT_TRUE(log);
    const auto report = tessivar::testing::decodedLog(*log);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->signalInfo().name(), "SIGABRT");
    fs::remove_all(base);
}

mode_t modeOf(const fs::path& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

// What stands at the report's name besides the report: a link to a file of
// the user's, or a second name of that file.
enum class Planted { nothing, linkBeforeEnable, linkAfterEnable, secondNameAfterEnable };

void plant(Planted planted, const fs::path& victim, const fs::path& at) {
    if (planted == Planted::secondNameAfterEnable) {
        if (link(victim.c_str(), at.c_str()) != 0) _exit(95);
    } else if (planted != Planted::nothing) {
        if (symlink(victim.c_str(), at.c_str()) != 0) _exit(96);
    }
}

// Enabled for real under a umask, with folders an older version left 0755 or
// none at all, and something planted at the report's name before or after the
// enable: every folder the reporter makes or owns is 0700, a file of the
// user's is never written through a name at the report's, and the crash is
// reported wherever the reporter's own file can still be.
TEST(CrashChild, TheReportsFoldersAndFileAreTheUsersAloneWhateverTheUmaskOrWhatWasPlanted) {
    struct Case {
        const char* what;
        mode_t umask;
        bool foldersLeft0755;
        Planted planted;
        bool reported;
    };
    const Case cases[] = {
        {"a umask of 0277, no folder yet", 0277, false, Planted::nothing, true},
        {"folders left 0755, a link at the report's name", 022, true, Planted::linkBeforeEnable, true},
        {"a link planted after the enable", 022, true, Planted::linkAfterEnable, false},
        {"a second name planted after the enable", 022, true, Planted::secondNameAfterEnable, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path base = tessivar::testing::emptyReportFolder("crash-child-planted");
        const fs::path root = base / "cache";
        const fs::path victim = base / "notes.txt";
        fs::create_directories(base);
        std::ofstream(victim) << "mine";
        fs::permissions(victim, fs::perms(0644));
        const ZZCrashReporter nextLaunch = reporterIn(root, 0);
        const fs::path report = nextLaunch.crashReportPath();
        if (c.foldersLeft0755) {
            fs::create_directories(nextLaunch.crashReportDirectory());
            for (fs::path folder = nextLaunch.crashReportDirectory(); folder != base; folder = folder.parent_path())
                fs::permissions(folder, fs::perms(0755));
        }
        if (c.planted == Planted::linkBeforeEnable) plant(c.planted, victim, report);
        const auto result = tessivar::testing::runForked(
            [&](int) {
                withoutCoreDumps();
                umask(c.umask);
                ZZCrashReporter reporter = reporterIn(root, 0);
                if (!reporter.enableCrashReporter()) return 1;
                if (c.planted != Planted::linkBeforeEnable) plant(c.planted, victim, report);
                abort();
            },
            std::chrono::seconds(20));
        EXPECT_TRUE(result.killedBy(SIGABRT)) << "wait status " << result.status;

        std::ifstream kept(victim);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "mine");
        EXPECT_EQ(modeOf(victim), 0644u);
        for (const fs::path& folder :
             {fs::path(nextLaunch.crashReportDirectory()).parent_path(), fs::path(nextLaunch.crashReportDirectory()),
              fs::path(nextLaunch.queuedCrashReportDirectory())})
            EXPECT_EQ(modeOf(folder), 0700u) << folder;
        EXPECT_EQ(modeOf(root), c.foldersLeft0755 ? 0755u : 0700u) << "a folder above the reporter's is the user's";
        const auto log = nextLaunch.loadPendingCrashReportData();
        EXPECT_EQ(log.has_value(), c.reported);
        if (c.reported) {
            EXPECT_EQ(modeOf(report), 0600u);
            const auto decoded = tessivar::testing::decodedLog(*log);
            ASSERT_TRUE(decoded);
            EXPECT_EQ(decoded->signalInfo().name(), "SIGABRT");
        }
        fs::remove_all(base);
    }
}

}  // namespace

namespace {

// What the crashing process saw of its forked helper's fault.
struct HelperFault {
    int status;
    std::int64_t milliseconds;  // from the fork until the helper was reaped
    bool reportPending;         // whether a report was written for it
};

}  // namespace

// A helper forked by the application (before it runs another program) keeps
// the handlers but not the exception server's thread, which stays in the
// application. Its fault is its own: it ends the helper at once by its
// default action and is not reported as the application's crash, and a crash
// of the application afterwards is reported as itself.
TEST(CrashChild, AForkedHelpersFaultIsNotTheApplicationsCrash) {
    const fs::path base = fs::temp_directory_path() / ("crash-child-helper-" + std::to_string(getpid()));
    fs::remove_all(base);
    const auto result = tessivar::testing::runForked(
        [&](int output) {
            withoutCoreDumps();
            ZZCrashReporter reporter = reporterIn(base, 1);
            if (!reporter.enableCrashReporter()) return 1;
            const auto start = std::chrono::steady_clock::now();
            const auto helper = tessivar::testing::runForked(
                [](int) {
                    tessivar_crash_child_write_at(0x40);
                    return 3;
                },
                std::chrono::seconds(20));
            const auto elapsed = std::chrono::steady_clock::now() - start;
            const HelperFault seen{helper.ended ? helper.status : -1,
                                   std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(),
                                   reporter.hasPendingCrashReport()};
            if (write(output, &seen, sizeof seen) != sizeof seen) return 4;
            tessivar_crash_child_write_at(0x10);
            return 2;
        },
        std::chrono::seconds(40));
    EXPECT_TRUE(result.killedBy(SIGSEGV)) << "wait status " << result.status;
    ASSERT_EQ(result.output.size(), sizeof(HelperFault));
    HelperFault helper{};
    std::memcpy(&helper, result.output.data(), sizeof helper);
    EXPECT_TRUE(WIFSIGNALED(helper.status) && WTERMSIG(helper.status) == SIGSEGV) << "wait status " << helper.status;
    // Far below the wait for an answer that a fault gives up after.
    EXPECT_LT(helper.milliseconds, 5000);
    EXPECT_FALSE(helper.reportPending);

    const auto log = reporterIn(base, 0).loadPendingCrashReportData();
    ASSERT_TRUE(log);
    const auto report = tessivar::testing::decodedLog(*log);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->signalInfo().address(), 0x10u);
    const auto crashed = std::count_if(report->threads().begin(), report->threads().end(),
                                       [](const auto& thread) { return thread.crashed(); });
    EXPECT_EQ(crashed, 1);
    fs::remove_all(base);
}
