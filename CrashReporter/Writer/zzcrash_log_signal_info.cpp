#include "CrashReporter/Writer/zzcrash_log_signal_info.h"

namespace {

bool isFaultSignal(int signal) {
    return signal == SIGSEGV || signal == SIGBUS || signal == SIGILL || signal == SIGFPE || signal == SIGTRAP;
}

}  // namespace

zzcrash_log_bsd_signal_info zzcrash_log_bsd_signal_info_from(const siginfo_t* info) {
    // Codes above 0 are the kernel's own; SI_USER, SI_TKILL, SI_QUEUE and the
    // other senders' codes are 0 or below.
    const bool raisedByKernel = info->si_code > 0 && isFaultSignal(info->si_signo);
    const auto address = raisedByKernel ? reinterpret_cast<std::uintptr_t>(info->si_addr) : 0;
    return {info->si_signo, info->si_code, address};
}
