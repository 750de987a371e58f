#include "CrashReporter/Private/zzcrash_crash_handlers.h"

#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <exception>

#include "CrashReporter/ZZCrashLanguageException.h"

namespace {

using CrashCallback = void (*)(siginfo_t*, ucontext_t*, void*);

std::atomic<CrashCallback> crashCallback{nullptr};
std::atomic<void*> crashCallbackContext{nullptr};

// The thread writing the report, and whether it is written.
std::atomic<pid_t> reportWriter{0};
std::atomic<bool> reportWritten{false};
static_assert(std::atomic<pid_t>::is_always_lock_free);

std::atomic<bool> uncaughtExceptionSeen{false};
zzcrash_crash_context* uncaughtExceptionContext = nullptr;
std::terminate_handler previousTerminateHandler = nullptr;

void waitForTheReport() {
    const timespec pause{0, 1'000'000};
    while (!reportWritten.load(std::memory_order_seq_cst)) nanosleep(&pause, nullptr);
}

void writeReport(zzcrash_crash_context* context, siginfo_t* info, ucontext_t* signalContext) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_from_mcontext(&state, &signalContext->uc_mcontext);
    const zzcrash_log_bsd_signal_info bsd = zzcrash_log_bsd_signal_info_from(info);
    const zzcrash_log_signal_info signal{&bsd, nullptr};
    const zzcrash_error_t written = zzcrash_write_report(context, zzcrash_thread_self(), &state, &signal);
    const CrashCallback callback = crashCallback.load();
    if (written == ZZCRASH_ESUCCESS && callback) callback(info, signalContext, crashCallbackContext.load());
}

void recordUncaughtException() {
    const auto exception = ZZCrashLanguageException::current(uncaughtExceptionContext->images);
    if (!exception) return;
    const zzcrash_log_exception recorded{exception->name.c_str(), exception->reason.c_str(),
                                         exception->callStackReturnAddresses.data(),
                                         exception->callStackReturnAddresses.size()};
    zzcrash_log_writer_set_exception(&uncaughtExceptionContext->writer, &recorded);
}

[[noreturn]] void onTerminate() {
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
    const pid_t self = zzcrash_thread_self();
    pid_t writer = 0;
    if (!reportWriter.compare_exchange_strong(writer, self, std::memory_order_seq_cst)) {
        if (writer != self) waitForTheReport();
        return false;
    }
    writeReport(static_cast<zzcrash_crash_context*>(crash_context), info, context);
    reportWritten.store(true, std::memory_order_seq_cst);
    return false;
}

void zzcrash_install_uncaught_exception_handler(zzcrash_crash_context* context) {
    uncaughtExceptionContext = context;
    previousTerminateHandler = std::set_terminate(onTerminate);
}
