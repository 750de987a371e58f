#pragma once
#include <signal.h>

#include <atomic>
#include <memory>

#include "CrashReporter/ZZCrashReporterError.h"

// The rest of a signal's chain, handed to each crash callback: calling it
// passes the signal on to the next callback and, at the end, to the handler
// that was installed before ours.
struct zzcrash_signal_handler_next {
    bool (*function)(int signal, siginfo_t* info, ucontext_t* context, const void* next_context);
    const void* next_context;
};

// A crash callback: answers whether the signal was handled. False from the
// whole chain re-raises the signal with its default action.
using zzcrash_signal_callback = bool (*)(int signal, siginfo_t* info, ucontext_t* context, void* callback_context,
                                                 const zzcrash_signal_handler_next* next);

// Passes the signal on through `next`; false when there is nothing after. Async-signal-safe.
bool zzcrash_signal_handler_call_next(const zzcrash_signal_handler_next* next, int signal, siginfo_t* info,
                                      ucontext_t* context);

// The process's handlers of crash signals: one handler function per signal,
// run on a 64 KiB alternate stack, walks a chain of crash callbacks (the last
// ones added run first) that ends with the handlers installed before ours.
// The chain is read without a lock, so a signal that arrives while another
// thread changes it is still served.
class ZZCrashSignalHandler {
public:
    // The process's handler; null when its stack could not be had.
    static ZZCrashSignalHandler* sharedHandler();

    ~ZZCrashSignalHandler();
    ZZCrashSignalHandler(const ZZCrashSignalHandler&) = delete;
    ZZCrashSignalHandler& operator=(const ZZCrashSignalHandler&) = delete;

    // Gives the calling thread the alternate stack (unless another thread
    // has it) and installs our handler for `signal`, once per signal,
    // keeping the handler it replaces. False, with the system's error, when
    // either fails.
    bool registerHandlerWithSignal(int signal, ZZCrashReporterError* error);
    // The same, then puts the callback at the head of the chain.
    bool registerHandlerForSignal(int signal, zzcrash_signal_callback callback, void* context,
                                  ZZCrashReporterError* error);
    // Empties the chain and forgets the replaced handlers; our handlers stay
    // installed and, with nothing to call, give every signal its default action.
    static void resetHandlers();

private:
    // The stack below its guard page; null when it cannot be mapped.
    static ZZCrashSignalHandler* create();
    ZZCrashSignalHandler(void* mapping, std::size_t mappingSize);
    bool useStack(ZZCrashReporterError* error);

    void* mapping_;
    std::size_t mappingSize_;
    stack_t stack_;
    std::atomic<pid_t> stackThread_{0};  // the thread whose alternate stack it is
};
