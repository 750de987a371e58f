#include "CrashReporter/Exceptions/Private/zzcrash_mach_exception.h"

#include <cstring>

#include "CrashReporter/Async/zzcrash_async_signal_names.h"
#include "CrashReporter/Platform/zzcrash_exception_message.h"
#include "CrashReporter/Platform/zzcrash_fault_bridge.h"
#include "CrashReporter/Platform/zzcrash_port.h"
#include "CrashReporter/Platform/zzcrash_thread_state.h"

namespace {

constexpr std::int64_t invalidAddress = 1;

// Software exceptions: the codes of a bad system call, a broken pipe, an
// abort and a kill.
constexpr std::int64_t softwareSyscall = 0x10000;
constexpr std::int64_t softwarePipe = 0x10001;
constexpr std::int64_t softwareAbort = 0x10002;
constexpr std::int64_t softwareKill = 0x10003;

struct Signal {
    int number;
    int code;
};

int softwareSignal(std::int64_t code) {
    switch (code) {
    case softwareSyscall: return SIGSYS;
    case softwarePipe: return SIGPIPE;
    case softwareKill: return SIGKILL;
    case softwareAbort:
    default: return SIGABRT;
    }
}

bool signalOf(std::int32_t exception, std::int64_t code, Signal* signal) {
    switch (exception) {
    case ZZCRASH_EXC_BAD_ACCESS:
        *signal = code == invalidAddress ? Signal{SIGSEGV, SEGV_MAPERR} : Signal{SIGBUS, BUS_ADRERR};
        return true;
    case ZZCRASH_EXC_BAD_INSTRUCTION: *signal = {SIGILL, 0}; return true;
    case ZZCRASH_EXC_ARITHMETIC: *signal = {SIGFPE, 0}; return true;
    case ZZCRASH_EXC_EMULATION: *signal = {ZZCRASH_SIGEMT, 0}; return true;
    case ZZCRASH_EXC_SOFTWARE: *signal = {softwareSignal(code), 0}; return true;
    case ZZCRASH_EXC_BREAKPOINT: *signal = {SIGTRAP, TRAP_BRKPT}; return true;
    default: return false;
    }
}

bool usable(zzcrash_port_t port) { return port != ZZCRASH_PORT_NULL && port != ZZCRASH_PORT_DEAD; }

struct Handler {
    zzcrash_port_t port;
    std::int32_t behavior;
    std::uint32_t flavor;
};

// The thread's registers in the handler's flavour go with the exception; the
// ones its answer of success carries are the thread's from then on, as if the
// handler had been asked first: one that moved the thread past its fault
// would otherwise see it fault again and again.
zzcrash_kern_return_t forwardWithState(const Handler& handler, pid_t task, zzcrash_thread_t thread,
                                       std::int32_t exception, const std::int64_t* codes, std::uint32_t code_count) {
    zzcrash_exception_thread_state state;
    state.flavor = handler.flavor;
    state.count = ZZCRASH_THREAD_STATE_MAX;
    const zzcrash_kern_return_t read = zzcrash_thread_get_state(thread, state.flavor, state.words, &state.count);
    if (read != ZZCRASH_KERN_SUCCESS) return read;
    const zzcrash_kern_return_t answer =
        zzcrash_exception_raise_state(handler.port, handler.behavior == ZZCRASH_EXCEPTION_STATE_IDENTITY, thread, task,
                                      exception, codes, code_count, &state, ZZCRASH_FAULT_REPLY_TIMEOUT_MS);
    if (answer != ZZCRASH_KERN_SUCCESS) return answer;
    return zzcrash_thread_set_state(thread, state.flavor, state.words, state.count);
}

zzcrash_kern_return_t forwardTo(const Handler& handler, pid_t task, zzcrash_thread_t thread, std::int32_t exception,
                                const std::int64_t* codes, std::uint32_t code_count) {
    switch (handler.behavior) {
    case ZZCRASH_EXCEPTION_DEFAULT:
        return zzcrash_exception_raise(handler.port, false, thread, task, exception, codes, code_count,
                                       ZZCRASH_FAULT_REPLY_TIMEOUT_MS);
    case ZZCRASH_EXCEPTION_STATE:
    case ZZCRASH_EXCEPTION_STATE_IDENTITY: return forwardWithState(handler, task, thread, exception, codes, code_count);
    // Handlers that want 64-bit codes, and any other behaviour.
    default: return ZZCRASH_KERN_FAILURE;
    }
}

}  // namespace

zzcrash_kern_return_t zzcrash_mach_exception_forward(pid_t task, zzcrash_thread_t thread, std::int32_t exception,
                                                     const std::int64_t* codes, std::uint32_t code_count,
                                                     const zzcrash_mach_exception_port_set* port_set) {
    const std::uint32_t bit = zzcrash_exc_mask(exception);
    for (std::uint32_t i = 0; i < port_set->count && i < ZZCRASH_EXC_TYPES_COUNT; ++i) {
        if (!usable(port_set->ports[i]) || !(port_set->masks[i] & bit)) continue;
        const Handler handler{port_set->ports[i], static_cast<std::int32_t>(port_set->behaviors[i]),
                              port_set->flavors[i]};
        return forwardTo(handler, task, thread, exception, codes, code_count);
    }
    return ZZCRASH_KERN_FAILURE;
}

bool zzcrash_async_mach_exception_to_signal(std::int32_t exception, const std::int64_t* codes, std::uint32_t code_count,
                                            siginfo_t* info) {
    Signal signal{};
    if (code_count < 2 || !signalOf(exception, codes[0], &signal)) return false;
    std::memset(info, 0, sizeof *info);
    info->si_signo = signal.number;
    info->si_code = signal.code;
    info->si_addr = reinterpret_cast<void*>(static_cast<std::uintptr_t>(codes[1]));
    return true;
}
