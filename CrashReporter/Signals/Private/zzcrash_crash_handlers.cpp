#include "CrashReporter/Signals/Private/zzcrash_crash_handlers.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"
#include "CrashReporter/Exceptions/Private/zzcrash_mach_exception.h"

namespace {

using CrashCallback = void (*)(siginfo_t*, ucontext_t*, void*);

std::atomic<CrashCallback> crashCallback{nullptr};
std::atomic<void*> crashCallbackContext{nullptr};

// The thread writing the report, and whether it is written.
std::atomic<pid_t> reportWriter{0};
std::atomic<bool> reportWritten{false};
static_assert(std::atomic<pid_t>::is_always_lock_free);

// The faulting thread of the exception report on disk while that thread has
// not been seen to go on or die, so that the report can still be withdrawn;
// 0 when there is none, `withdrawing` while it is deleted.
constexpr pid_t withdrawing = -1;
std::atomic<pid_t> pendingFault{0};
std::atomic<zzcrash_crash_context*> pendingFaultContext{nullptr};

std::atomic<bool> uncaughtExceptionSeen{false};
zzcrash_crash_context* uncaughtExceptionContext = nullptr;
std::terminate_handler previousTerminateHandler = nullptr;

void pauseAMillisecond() {
    const timespec pause{0, 1'000'000};
    nanosleep(&pause, nullptr);
}

// True when the calling thread is to write the report: the first to ask.
// One that asks later waits until the report is written, unless it is the
// writing thread itself, faulting while it writes; a report withdrawn
// meanwhile leaves the claim to it again.
bool claimTheReport() {
    const pid_t self = zzcrash_thread_self();
    for (;;) {
        pid_t writer = 0;
        if (reportWriter.compare_exchange_strong(writer, self, std::memory_order_seq_cst)) return true;
        if (writer == self || reportWritten.load(std::memory_order_seq_cst)) return false;
        pauseAMillisecond();
    }
}

// The server's claim: the report on disk of a fault whose thread may still
// go on is written over by the next exception's, which can then no longer
// be withdrawn by that thread.
bool claimTheExceptionReport() {
    for (;;) {
        if (claimTheReport()) return true;
        pid_t pending = pendingFault.load(std::memory_order_seq_cst);
        if (pending == 0) return false;
        if (pending == withdrawing) {
            pauseAMillisecond();
            continue;
        }
        if (pendingFault.compare_exchange_strong(pending, 0, std::memory_order_seq_cst)) return true;
    }
}

void callTheApplication(zzcrash_error_t written, siginfo_t* info, ucontext_t* context) {
    const CrashCallback callback = crashCallback.load();
    if (written == ZZCRASH_ESUCCESS && callback) callback(info, context, crashCallbackContext.load());
}

void writeReport(zzcrash_crash_context* context, siginfo_t* info, ucontext_t* signalContext) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_from_mcontext(&state, &signalContext->uc_mcontext);
    const zzcrash_log_bsd_signal_info bsd = zzcrash_log_bsd_signal_info_from(info);
    const zzcrash_log_signal_info signal{&bsd, nullptr};
    callTheApplication(zzcrash_write_report(context, zzcrash_thread_self(), &state, &signal), info, signalContext);
}

// The report of an exception, from the server's thread: the faulting thread
// is read where it faulted.
void writeExceptionReport(zzcrash_crash_context* context, zzcrash_thread_t thread, std::int32_t exception,
                          const std::int64_t* codes, std::uint32_t codeCount, siginfo_t* info) {
    const zzcrash_log_bsd_signal_info bsd{info->si_signo, info->si_code,
                                          reinterpret_cast<std::uintptr_t>(info->si_addr)};
    const zzcrash_log_mach_signal_info mach{exception, codes, codeCount};
    const zzcrash_log_signal_info signal{&bsd, &mach};
    zzcrash_write_report_request request{context, thread, &signal};
    const zzcrash_error_t written = zzcrash_async_thread_state_current(zzcrash_write_report_callback, &request);
    // The faulting thread's registers are not the application's to change
    // from here: it gets a machine context of zeros.
    ucontext_t noContext{};
    callTheApplication(written, info, &noContext);
}

void recordUncaughtException() {
    const auto exception = ZZCrashLanguageException::current(uncaughtExceptionContext->images);
    if (!exception) return;
    const zzcrash_log_exception recorded{exception->name.c_str(), exception->reason.c_str(),
                                         exception->callStackReturnAddresses.data(),
                                         exception->callStackReturnAddresses.size()};
    zzcrash_log_writer_set_exception(&uncaughtExceptionContext->writer, &recorded);
}

[[noreturn]] void zzcrash_uncaught_exception_handler() {
    bool first = false;
    if (uncaughtExceptionSeen.compare_exchange_strong(first, true)) {
        try {
            recordUncaughtException();
        } catch (...) {
            // Out of memory: the report goes without the exception.
        }
    }
    if (previousTerminateHandler) previousTerminateHandler();
    std::abort();
}

}  // namespace

void zzcrash_crash_handlers_set_callbacks(const ZZCrashReporterCallbacks* callbacks) {
    crashCallbackContext.store(callbacks ? callbacks->context : nullptr);
    crashCallback.store(callbacks ? callbacks->handleSignal : nullptr);
}

bool zzcrash_signal_handler_callback(int, siginfo_t* info, ucontext_t* context, void* crash_context,
                                     const zzcrash_signal_handler_next*) {
    if (!claimTheReport()) return false;
    writeReport(static_cast<zzcrash_crash_context*>(crash_context), info, context);
    reportWritten.store(true, std::memory_order_seq_cst);
    return false;
}

zzcrash_kern_return_t zzcrash_mach_exception_callback(pid_t task, zzcrash_thread_t thread, std::int32_t exception,
                                                      const std::int64_t* codes, std::uint32_t code_count,
                                                      void* crash_context) {
    auto* context = static_cast<zzcrash_crash_context*>(crash_context);
    if (zzcrash_mach_exception_forward(task, thread, exception, codes, code_count, &context->previous_ports) ==
        ZZCRASH_KERN_SUCCESS)
        return ZZCRASH_KERN_SUCCESS;
    siginfo_t info;
    if (!zzcrash_async_mach_exception_to_signal(exception, codes, code_count, &info)) return ZZCRASH_KERN_FAILURE;
    if (!claimTheExceptionReport()) return ZZCRASH_KERN_FAILURE;
    writeExceptionReport(context, thread, exception, codes, code_count, &info);
    pendingFaultContext.store(context, std::memory_order_seq_cst);
    pendingFault.store(thread, std::memory_order_seq_cst);
    reportWritten.store(true, std::memory_order_seq_cst);
    return ZZCRASH_KERN_FAILURE;
}

void zzcrash_withdraw_fault_report(zzcrash_thread_t thread) {
    pid_t pending = thread;
    if (!pendingFault.compare_exchange_strong(pending, withdrawing, std::memory_order_seq_cst)) return;
    unlink(pendingFaultContext.load(std::memory_order_seq_cst)->report_path);
    reportWritten.store(false, std::memory_order_seq_cst);
    reportWriter.store(0, std::memory_order_seq_cst);
    pendingFault.store(0, std::memory_order_seq_cst);
}

void zzcrash_install_uncaught_exception_handler(zzcrash_crash_context* context) {
    uncaughtExceptionContext = context;
    previousTerminateHandler = std::set_terminate(zzcrash_uncaught_exception_handler);
}
