#include "CrashReporter/Signals/Private/zzcrash_crash_handlers.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

#include "CrashReporter/Exceptions/Private/zzcrash_mach_exception.h"
#include "CrashReporter/Exceptions/ZZCrashLanguageException.h"
#include "CrashReporter/Platform/zzcrash_fault_bridge.h"
#include "CrashReporter/Platform/zzcrash_fault_context.h"

namespace {

using CrashCallback = void (*)(siginfo_t*, ucontext_t*, void*);

std::atomic<CrashCallback> crashCallback{nullptr};
std::atomic<void*> crashCallbackContext{nullptr};

// The thread writing the report, and whether it is written.
std::atomic<pid_t> reportWriter{0};
std::atomic<bool> reportWritten{false};
static_assert(std::atomic<pid_t>::is_always_lock_free);

// The faulting thread of the exception report on disk while a handler of
// the program's has the fault and the thread has not been seen to go on or
// die, so that the report can still be withdrawn; 0 when there is none,
// `withdrawing` while it is deleted.
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

// True when the calling thread is to write the report: the first to ask,
// or one that asks while the report on disk is of a fault whose thread may
// have gone on (a handler of the program's took the fault), which the new
// report then writes over and that thread can no longer withdraw. One that
// asks while the report is being written waits until it is written, unless
// it is the writing thread itself, faulting while it writes; a report
// withdrawn meanwhile leaves the claim to it again.
bool claimTheReport() {
    const pid_t self = zzcrash_thread_self();
    for (;;) {
        pid_t writer = 0;
        if (reportWriter.compare_exchange_strong(writer, self, std::memory_order_seq_cst)) return true;
        pid_t pending = pendingFault.load(std::memory_order_seq_cst);
        if (pending > 0 && pendingFault.compare_exchange_strong(pending, 0, std::memory_order_seq_cst)) return true;
        if (pending != withdrawing && (writer == self || reportWritten.load(std::memory_order_seq_cst))) return false;
        pauseAMillisecond();
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
    // The exception names the kind of fault only coarsely; the report names
    // the signal the kernel delivered, as the signal mode does.
    if (const siginfo_t* delivered = zzcrash_fault_signal_of(thread)) info = *delivered;
    if (!claimTheReport()) return ZZCRASH_KERN_FAILURE;
    writeExceptionReport(context, thread, exception, codes, code_count, &info);
    const bool mayBeMended = zzcrash_fault_bridge_passes_on(info.si_signo);
    if (mayBeMended) {
        pendingFaultContext.store(context, std::memory_order_seq_cst);
        pendingFault.store(thread, std::memory_order_seq_cst);
    }
    reportWritten.store(true, std::memory_order_seq_cst);
    // A handler of the program's gets the fault next and may need what the
    // other threads hold; without one the default action ends the process,
    // and only the faulting thread goes on, to its signal.
    if (mayBeMended)
        zzcrash_log_writer_release_threads(&context->writer);
    else
        zzcrash_log_writer_release_thread(&context->writer, thread);
    return ZZCRASH_KERN_FAILURE;
}

void zzcrash_withdraw_fault_report(zzcrash_thread_t thread) {
    pid_t pending = thread;
    if (thread <= 0) return;
    if (!pendingFault.compare_exchange_strong(pending, withdrawing, std::memory_order_seq_cst)) return;
    unlink(pendingFaultContext.load(std::memory_order_seq_cst)->report_path);
    reportWritten.store(false, std::memory_order_seq_cst);
    reportWriter.store(0, std::memory_order_seq_cst);
    pendingFault.store(0, std::memory_order_seq_cst);
}

void zzcrash_install_fault_report_withdrawal() {
    zzcrash_fault_bridge_on_resumed(zzcrash_withdraw_fault_report);
    // A handler that mends a fault by jumping out of it (siglongjmp) never
    // returns to say so: a process that then ends by its own exit went on
    // after the fault.
    std::atexit([] { zzcrash_withdraw_fault_report(pendingFault.load(std::memory_order_seq_cst)); });
}

void zzcrash_install_uncaught_exception_handler(zzcrash_crash_context* context) {
    uncaughtExceptionContext = context;
    previousTerminateHandler = std::set_terminate(zzcrash_uncaught_exception_handler);
}
