#pragma once
#include <signal.h>

// The real-time signals the crash reporter sends to its own threads are ones
// the program has left alone: a program's handler is never replaced.

// Installs `action` on the highest real-time signal, from SIGRTMAX-3 down to
// SIGRTMIN, that has the default action and no handler (an ignored signal is
// the program's choice, and stays so), and answers that signal; 0 when every
// one is taken. Not for the crash path.
int zzcrash_reserve_signal(const struct sigaction& action);

// True while `signal` still runs `handler`: a program may install its own
// handler on a signal after the reporter took it, and then the signal is no
// longer the reporter's to send. Async-signal-safe.
bool zzcrash_signal_runs(int signal, void (*handler)(int, siginfo_t*, void*));
