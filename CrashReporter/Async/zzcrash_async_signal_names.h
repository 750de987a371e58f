#pragma once

// The names a crash log gives signals and signal codes. The names are what
// readers of a crash log expect; the numbers are this platform's own, taken
// from <signal.h>. Both answer null for a number without a name (the log then
// prints the number). Async-signal-safe.
const char* zzcrash_async_signal_name(int signal);
// The emulation trap, which a crash log names but this platform has no
// signal for: a number none of its signals has (they end at 64).
inline constexpr int ZZCRASH_SIGEMT = 128;
const char* zzcrash_async_signal_code_name(int signal, int code);
