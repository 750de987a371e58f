// A program that enables the crash reporter, starts 96 threads each waiting
// in a chain of functions of its own, and crashes in a function it keeps to itself.
// Built twice: exporting its functions, and as most programs are, without.
//   named_frames_child <report folder>
// Any ending but the crash exits with a code that names what went wrong.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <utility>

#include "CrashReporter/ZZCrashReporter.h"

namespace {

enum Failure { usage = 2, notEnabled = 3, survived = 4 };

constexpr int waitingThreads = 96;
std::atomic<int> waiting{0};
volatile int sink = 0;

}  // namespace

// Each thread waits at the end of a chain of functions of its own, each
// differing from the others in its code so that no two share an address:
// 96 threads, 8 calls deep, hold more return addresses than the crash
// writer's symbol cache has slots, so some of them meet in one slot (even
// when a busy machine kept a quarter of the threads from being stopped in
// time, and their stacks are left out).
template <int N, int Depth>
__attribute__((noinline, visibility("default"))) void tessivar_named_frames_wait() {
    sink = N * 8 + Depth;
    if constexpr (Depth == 0) {
        waiting.fetch_add(1);
        for (;;) pause();
    } else {
        tessivar_named_frames_wait<N, Depth - 1>();
    }
    sink = N;  // after the call: no tail call, the caller keeps its frame
}

namespace {

constexpr int chainDepth = 7;  // functions 7 down to 0

template <int... N>
void startWaiting(std::integer_sequence<int, N...>) {
    (std::thread(tessivar_named_frames_wait<N, chainDepth>).detach(), ...);
}

__attribute__((noinline)) void writeThroughNull() {
    volatile int* volatile target = nullptr;
    *target = sink;
    asm volatile("");
}

}  // namespace

extern "C" __attribute__((noinline, visibility("default"))) void tessivar_named_frames_crash() {
    writeThroughNull();
    asm volatile("");
}

int main(int argc, char** argv) {
    if (argc != 2) return usage;
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    ZZCrashReporter reporter(
        "com.brel.tessivar/named-frames", "1", "1.0.0",
        ZZCrashReporterConfig(0, ZZCrashReporterConfig::symbolicationStrategySymbolTable, true, argv[1]));
    if (!reporter.enableCrashReporter()) return notEnabled;
    startWaiting(std::make_integer_sequence<int, waitingThreads>{});
    while (waiting.load() < waitingThreads) usleep(1000);
    tessivar_named_frames_crash();
    return survived;
}
