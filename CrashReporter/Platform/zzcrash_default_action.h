#pragma once
#include <signal.h>

// Raises the signal again with its default action in place: a crash handler
// that leaves the signal to the system ends the process by it (with its core
// dump), instead of having it come back to the same handler for ever.
// Async-signal-safe.
inline void zzcrash_raise_with_default_action(int signal) {
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    sigaction(signal, &defaultAction, nullptr);
    raise(signal);
}
