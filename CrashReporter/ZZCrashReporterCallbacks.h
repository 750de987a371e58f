#pragma once
#include <signal.h>

#include <cstdint>

// What the application asks to be called with after a crash report has been
// written, still inside the crash: only async-signal-safe work belongs there.
struct ZZCrashReporterCallbacks {
    std::uint16_t version;  // must be 0
    void* context;
    void (*handleSignal)(siginfo_t* info, ucontext_t* context, void* callbackContext);
};
