#pragma once
#include <signal.h>

#include <cstdint>

// The signal a crash log describes, as the crash handler hands it to the
// writer: the signal itself, and the Mach exception it was derived from when
// it was caught as one.
struct zzcrash_log_bsd_signal_info {
    std::int32_t signo;
    std::int32_t code;
    std::uintptr_t address;  // the faulting address; 0 for a signal that was sent
};

struct zzcrash_log_mach_signal_info {
    std::int32_t type;
    const std::int64_t* codes;
    std::uint32_t code_count;
};

struct zzcrash_log_signal_info {
    const zzcrash_log_bsd_signal_info* bsd_info;    // null: none
    const zzcrash_log_mach_signal_info* mach_info;  // null: none
};

// The signal part of a delivered signal. Only a fault the kernel raised has
// an address: for a signal sent with kill, tkill or sigqueue (abort sends its
// SIGABRT with tkill) the bytes where the address would be hold the sender's
// pid and uid. Async-signal-safe.
inline zzcrash_log_bsd_signal_info zzcrash_log_bsd_signal_info_from(const siginfo_t* info) {
    const int signal = info->si_signo;
    const bool isFaultSignal =
        signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE || signal == SIGTRAP;
    // Codes above 0 are the kernel's own; SI_USER, SI_TKILL, SI_QUEUE and the
    // other senders' codes are 0 or below.
    const bool raisedByKernel = info->si_code > 0 && isFaultSignal;
    const auto address = raisedByKernel ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0;
    return {info->si_signo, info->si_code, address};
}
