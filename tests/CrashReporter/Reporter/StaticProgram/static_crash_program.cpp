// A statically linked program with the crash reporter, run by the crash
// reporter's tests as
//   static_crash_program <threads|overflow> <report base folder>
// threads:  starts threads before and after enabling the reporter, each way
//           a program can, and prints one line for each: what starting it
//           answered and the alternate signal stack the thread had (KiB, or
//           "none"); exits 0.
// overflow: enables the reporter and overflows the stack of a thread started
//           by zzcrash_thread_create, which the report of the crash shows.
#include <pthread.h>
#include <signal.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "CrashReporter/Signals/zzcrash_thread_start.h"
#include "CrashReporter/ZZCrashReporter.h"

namespace {

enum Failure { usage = 2, notEnabled = 3, survived = 4 };

void* alternateStackKiB(void*) {
    stack_t stack{};
    sigaltstack(nullptr, &stack);
    if (stack.ss_flags & SS_DISABLE) return nullptr;
    return reinterpret_cast<void*>(stack.ss_size / 1024);
}

void* askedForItsStack(void* argument) {
    (void)ZZCrashReporter::installAlternateStackForCurrentThread();  // the stack read next tells
    return alternateStackKiB(argument);
}

using Start = int (*)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

void report(const char* how, Start start, void* (*routine)(void*)) {
    pthread_t thread;
    const int answer = start(&thread, nullptr, routine, nullptr);
    void* kib = nullptr;
    if (answer == 0) pthread_join(thread, &kib);
    const std::string stack = kib ? std::to_string(reinterpret_cast<std::uintptr_t>(kib)) : "none";
    std::printf("%s: %d %s\n", how, answer, stack.c_str());
}

__attribute__((noinline)) int recurse(int depth) {
    if (depth < 0) return 0;  // never: the stack ends first
    volatile char frame[512];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return recurse(depth + 1) + frame[(depth * 7) % sizeof frame];
}

void* overflow(void*) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(recurse(0))); }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return usage;
    const std::string mode = argv[1];
    ZZCrashReporter reporter("com.brel.tessivar/static", "1", std::nullopt,
                             ZZCrashReporterConfig(ZZCrashReporterConfig::signalHandlerTypeBSD,
                                                   ZZCrashReporterConfig::symbolicationStrategySymbolTable, argv[2]));
    if (mode == "threads") {
        report("before enabling, pthread_create", pthread_create, alternateStackKiB);
        if (!reporter.enableCrashReporter()) return notEnabled;
        report("pthread_create", pthread_create, alternateStackKiB);
        report("pthread_create, asking for its stack", pthread_create, askedForItsStack);
        report("zzcrash_thread_create", zzcrash_thread_create, alternateStackKiB);
        return 0;
    }
    if (mode != "overflow") return usage;
    if (!reporter.enableCrashReporter()) return notEnabled;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 128 * 1024);
    pthread_t thread;
    if (zzcrash_thread_create(&thread, &attributes, overflow, nullptr) == 0) pthread_join(thread, nullptr);
    return survived;
}
