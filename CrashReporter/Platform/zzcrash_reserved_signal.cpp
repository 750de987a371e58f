#include "CrashReporter/Platform/zzcrash_reserved_signal.h"

#include <mutex>

namespace {

// The three highest are left to the libraries that take signals from the top.
constexpr int signalsLeftAtTheTop = 3;

// Two reservations at once would both find the same signal free.
std::mutex reserving;

bool isFree(int signal) {
    struct sigaction current {};
    if (sigaction(signal, nullptr, &current) != 0) return false;
    return !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
}

}  // namespace

int zzcrash_reserve_signal(const struct sigaction& action) {
    const std::lock_guard guard(reserving);
    for (int signal = SIGRTMAX - signalsLeftAtTheTop; signal >= SIGRTMIN; --signal) {
        if (isFree(signal) && sigaction(signal, &action, nullptr) == 0) return signal;
    }
    return 0;
}

bool zzcrash_signal_runs(int signal, void (*handler)(int, siginfo_t*, void*)) {
    struct sigaction current {};
    if (signal == 0 || sigaction(signal, nullptr, &current) != 0) return false;
    return (current.sa_flags & SA_SIGINFO) && current.sa_sigaction == handler;
}
