#include "CrashReporter/Platform/zzcrash_fault_bridge.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>

#include "CrashReporter/Platform/Private/zzcrash_monotonic_clock.h"
#include "CrashReporter/Platform/zzcrash_default_action.h"
#include "CrashReporter/Platform/zzcrash_exception_message.h"
#include "CrashReporter/Platform/zzcrash_exception_ports.h"
#include "CrashReporter/Platform/zzcrash_fault_context.h"
#include "CrashReporter/Platform/zzcrash_spin_lock.h"

namespace {

constexpr int bridgedSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGTRAP};
// Codes of a bad access: an address nothing is mapped at, one mapped
// without the access asked for, and a failure of the memory behind it.
constexpr std::int64_t invalidAddress = 1;
constexpr std::int64_t protectionFailure = 2;
constexpr std::int64_t memoryError = 10;
// The code of a breakpoint trap.
constexpr std::int64_t breakpointTrap = 1;

struct sigaction previousActions[NSIG];
std::atomic<zzcrash_fault_resumed_callback> resumedCallback{nullptr};
zzcrash_spin_lock installing;
bool installed = false;
int installError = 0;

// The handler that was there before ours. Ignoring a fault the kernel raised
// would only raise it again at the same instruction, for ever. True when a
// handler of the program's ran and returned.
bool passOn(int signal, siginfo_t* info, void* context) {
    if (!zzcrash_fault_bridge_passes_on(signal)) {
        zzcrash_raise_with_default_action(signal);
        return false;
    }
    const struct sigaction& previous = previousActions[signal];
    if (previous.sa_flags & SA_SIGINFO)
        previous.sa_sigaction(signal, info, context);
    else
        previous.sa_handler(signal);
    return true;
}

void onFault(int signal, siginfo_t* info, void* context);

// Whether the fault, should it come again where the thread goes on, comes
// here again: a handler that put the default action back and returned, to
// end the process at the same instruction, has not mended anything.
bool stillOurs(int signal) {
    struct sigaction current {};
    return sigaction(signal, nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) &&
           current.sa_sigaction == onFault;
}

// The faulting registers kept, waiting while every slot is taken: when more
// threads fault at once than there are slots, the later ones wait, as they
// would for their answer, until the report of the crash is written, instead
// of ending the process by the default action while it is written.
bool saveContext(zzcrash_thread_t self, mcontext_t* context, const siginfo_t* info) {
    const std::int64_t started = zzcrash_monotonic_ms();
    const std::int64_t deadline = started + ZZCRASH_FAULT_REPLY_TIMEOUT_MS;
    const timespec pause{0, 1'000'000};
    while (!zzcrash_fault_context_save(self, context, info)) {
        if (!zzcrash_exception_wait_goes_on(started, deadline)) return false;
        nanosleep(&pause, nullptr);
    }
    return true;
}

// True when a handler answered that it dealt with the fault; `sent` tells
// whether it was asked at all.
bool deliver(siginfo_t* info, ucontext_t* context, bool* sent) {
    std::int32_t type = 0;
    std::int64_t codes[2];
    zzcrash_exception_registration registration{};
    const zzcrash_thread_t self = gettid();
    if (!zzcrash_fault_bridge_exception_of(info, &type, codes) ||
        !zzcrash_exception_port_for(self, type, &registration))
        return false;
    // The thread that receives there cannot wait for itself; and handlers
    // that want the thread's state with the message are not offered here.
    const std::int32_t behavior = registration.behavior & ~ZZCRASH_MACH_EXCEPTION_CODES;
    if (zzcrash_port_received_by_caller(registration.port) || behavior != ZZCRASH_EXCEPTION_DEFAULT) return false;
    if (!saveContext(self, &context->uc_mcontext, info)) return false;
    *sent = true;
    const bool wideCodes = (registration.behavior & ZZCRASH_MACH_EXCEPTION_CODES) != 0;
    const zzcrash_kern_return_t answer = zzcrash_exception_raise(registration.port, wideCodes, self, getpid(), type,
                                                                 codes, 2, ZZCRASH_FAULT_REPLY_TIMEOUT_MS);
    zzcrash_fault_context_clear(self);
    return answer == ZZCRASH_KERN_SUCCESS;
}

void onFault(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    bool sent = false;
    if (!deliver(info, static_cast<ucontext_t*>(context), &sent) && passOn(signal, info, context) && sent &&
        stillOurs(signal)) {
        // The program's own handler let the thread go on, having mended the
        // fault; were it not mended, it comes back here as a fault anew.
        if (const zzcrash_fault_resumed_callback resumed = resumedCallback.load()) resumed(gettid());
    }
    errno = savedErrno;
}

// A signal whose handler could not be installed keeps the one it had.
int install() {
    for (const int signal : bridgedSignals) {
        struct sigaction action {};
        action.sa_sigaction = onFault;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        if (sigaction(signal, &action, &previousActions[signal]) != 0) return errno;
    }
    return 0;
}

}  // namespace

bool zzcrash_fault_bridge_install() {
    const std::lock_guard guard(installing);
    if (!installed && installError == 0) {
        installError = install();
        installed = installError == 0;
    }
    if (!installed) errno = installError;
    return installed;
}

void zzcrash_fault_bridge_on_resumed(zzcrash_fault_resumed_callback callback) { resumedCallback.store(callback); }

bool zzcrash_fault_bridge_passes_on(int signal) {
    if (signal <= 0 || signal >= NSIG) return false;
    const struct sigaction& previous = previousActions[signal];
    return (previous.sa_flags & SA_SIGINFO) || (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN);
}

bool zzcrash_fault_bridge_exception_of(const siginfo_t* info, std::int32_t* type, std::int64_t codes[2]) {
    if (info->si_code <= 0) return false;
    codes[1] = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(info->si_addr));
    switch (info->si_signo) {
    case SIGSEGV:
        *type = ZZCRASH_EXC_BAD_ACCESS;
        codes[0] = info->si_code == SEGV_ACCERR ? protectionFailure : invalidAddress;
        return true;
    case SIGBUS:
        *type = ZZCRASH_EXC_BAD_ACCESS;
        codes[0] = memoryError;
        return true;
    case SIGILL:
        *type = ZZCRASH_EXC_BAD_INSTRUCTION;
        codes[0] = info->si_code;
        return true;
    case SIGFPE:
        *type = ZZCRASH_EXC_ARITHMETIC;
        codes[0] = info->si_code;
        return true;
    case SIGTRAP:
        *type = ZZCRASH_EXC_BREAKPOINT;
        codes[0] = breakpointTrap;
        return true;
    default: return false;
    }
}
