#pragma once

// The names a crash log gives signals and signal codes. The names are what
// readers of a crash log expect; the numbers are this platform's own, taken
// from <signal.h>. Both answer null for a number without a name (the log then
// prints the number). Async-signal-safe.
const char* zzcrash_async_signal_name(int signal);
const char* zzcrash_async_signal_code_name(int signal, int code);
