#pragma once
#include <signal.h>

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
// run on the alternate stack of the thread it interrupts, walks a chain of
// crash callbacks (the last ones added run first) that ends with the handlers
// installed before ours. The chain is read without a lock, so a signal that
// arrives while another thread changes it is still served. At exit the
// handlers ours replaced are put back and the chain is freed.
class ZZCrashSignalHandler {
public:
    static ZZCrashSignalHandler* sharedHandler();

    ZZCrashSignalHandler(const ZZCrashSignalHandler&) = delete;
    ZZCrashSignalHandler& operator=(const ZZCrashSignalHandler&) = delete;

    // Gives the calling thread an alternate stack (zzcrash_thread_stacks.h:
    // one it has that is at least as big is kept) and installs our handler
    // for `signal`, once per signal, keeping the handler it replaces. False,
    // with the system's error, when either fails.
    [[nodiscard]] bool registerHandlerWithSignal(int signal, ZZCrashReporterError* error);
    // The same, then puts the callback at the head of the chain.
    bool registerHandlerForSignal(int signal, zzcrash_signal_callback callback, void* context,
                                  ZZCrashReporterError* error);
    // Empties the chain and forgets the replaced handlers; our handlers stay
    // installed and, with nothing to call, give every signal its default action.
    static void resetHandlers();

private:
    ZZCrashSignalHandler() = default;
};
