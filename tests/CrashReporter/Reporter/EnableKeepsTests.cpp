// Enabling the reporter in a program that had set things up for itself: its
// handlers of real-time signals and its bigger alternate stack stay as they
// were, and its crash is still reported. Each case is a child that sets up,
// enables, says what ran and crashes with two more threads parked.
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "tests/CrashReporter/Reporter/CrashChild.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/ParkedThreads.h"
#include "tests/CrashReporter/Writer/LogReading.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t mebibyte = 1024 * 1024;
int sayTo = -1;

void say(char what) {
    if (write(sayTo, &what, 1) != 1) _exit(90);
}

void programHandler(int, siginfo_t*, void*) { say('P'); }

void installProgramHandler(int signal) {
    struct sigaction action {};
    action.sa_sigaction = programHandler;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

// The stack the report was written on: 'M' the program's mebibyte, 'K' the reporter's 64 KiB.
void sayTheStack(siginfo_t*, ucontext_t*, void*) {
    stack_t stack{};
    sigaltstack(nullptr, &stack);
    say(stack.ss_size == mebibyte ? 'M' : stack.ss_size == 64 * 1024 ? 'K' : '?');
}

void nothing() {}

const char* const stopSignalTaken =
    "[ZZCrashReporter] Every real-time signal has a handler of the program's: crash reports will hold the other "
    "threads by their ids only\n";
const char* const sweepSignalTaken =
    "[ZZCrashReporter] Every real-time signal has a handler of the program's: the threads running now get no "
    "alternate signal stack\n";

struct KeepCase {
    const char* what;
    void (*beforeEnabling)();
    void (*afterEnabling)();
    std::string said;   // the child's log lines, then what its handlers said
    bool othersWalked;  // the parked threads were stopped and their stacks walked
};

const KeepCase kCases[] = {
    {"handlers of the real-time signals that would be taken first",
     [] {
         installProgramHandler(SIGRTMAX - 3);
         installProgramHandler(SIGRTMAX - 4);
     },
     [] {
         raise(SIGRTMAX - 3);
         raise(SIGRTMAX - 4);
     },
     "PPK", true},
    {"handlers of every real-time signal",
     [] {
         for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) installProgramHandler(signal);
     },
     [] {
         raise(SIGRTMAX - 3);
         raise(SIGRTMIN);
     },
     std::string(stopSignalTaken) + sweepSignalTaken + "PPK", false},
    // Put there after the reporter took it: the signal is no longer the reporter's to send.
    {"a handler on the stop signal after enabling", nothing,
     [] { installProgramHandler(zzcrash_thread_stop_signal()); }, "K", false},
    {"a mebibyte of alternate stack on the enabling thread",
     [] {
         static const stack_t big{mmap(nullptr, mebibyte, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0),
                                  0, mebibyte};
         if (big.ss_sp == MAP_FAILED || sigaltstack(&big, nullptr) != 0) _exit(93);
     },
     nothing, "M", true},
};

TEST(EnablingKeeps, WhatTheProgramHad) {
    for (const KeepCase& c : kCases) {
        SCOPED_TRACE(c.what);
        const fs::path base = tessivar::testing::emptyReportFolder("enabling-keeps");
        const auto result = tessivar::testing::runForked(
            [&](int fd) {
                sayTo = fd;
                dup2(fd, STDERR_FILENO);
                tessivar::testing::withoutCoreDumps();
                c.beforeEnabling();
                ZZCrashReporter reporter = tessivar::testing::reporterIn(base, 0);
                const ZZCrashReporterCallbacks callbacks{0, nullptr, sayTheStack};
                reporter.setCrashCallbacks(&callbacks);
                if (!reporter.enableCrashReporter()) return 1;
                c.afterEnabling();
                const tessivar::testing::ParkedThreads parked(2);
                *static_cast<volatile int*>(nullptr) = 1;
                return 2;
            },
            std::chrono::seconds(30));
        EXPECT_TRUE(result.killedBy(SIGSEGV)) << "wait status " << result.status;
        EXPECT_EQ(result.output, c.said);

        const auto log = tessivar::testing::reporterIn(base, 0).loadPendingCrashReportData();
        ASSERT_TRUE(log);
        const auto report = tessivar::testing::decodedLog(*log);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->signalInfo().name(), "SIGSEGV");
        ASSERT_GE(report->threads().size(), 3u);
        const auto walked = std::count_if(report->threads().begin(), report->threads().end(),
                                          [](const auto& thread) { return !thread.stackFrames().empty(); });
        EXPECT_EQ(walked == static_cast<long>(report->threads().size()), c.othersWalked) << walked << " walked";
        fs::remove_all(base);
    }
}

}  // namespace
