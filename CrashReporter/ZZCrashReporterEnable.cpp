// Enabling: the crash context filled, the handlers installed, once per process.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <span>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionPortSet.h"
#include "CrashReporter/Exceptions/ZZCrashMachExceptionServer.h"
#include "CrashReporter/Images/Private/zzcrash_shared_image_list.h"
#include "CrashReporter/Platform/zzcrash_fault_bridge.h"
#include "CrashReporter/Platform/zzcrash_thread_stacks.h"
#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "CrashReporter/Private/ZZCrashHostInfo.h"
#include "CrashReporter/Signals/Private/zzcrash_crash_handlers.h"
#include "CrashReporter/ZZCrashReporter.h"

namespace {

// The signals of a crash, registered in this order.
constexpr int crashSignals[] = {SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGTRAP};
constexpr int abortSignal[] = {SIGABRT};

std::mutex enabling;
bool processEnabled = false;

bool claimTheProcess(ZZCrashReporterError* error) {
    const std::lock_guard guard(enabling);
    if (!processEnabled) {
        processEnabled = true;
        return true;
    }
    if (error)
        *error = zzcrash_make_error(ZZCrashReporterError::Code::reporterAlreadyEnabled,
                                    "A ZZCrashReporter instance has already been enabled");
    return false;
}

// An error of a step whose own failure lies underneath.
ZZCrashReporterError failedStep(const char* description, const ZZCrashReporterError& underlying) {
    return underlying.underlyingMachError() != 0
               ? zzcrash_make_mach_error(description, underlying.underlyingMachError())
               : zzcrash_make_posix_error(description, underlying.underlyingPOSIXError());
}

bool setReportPath(zzcrash_crash_context* context, const std::string& path, ZZCrashReporterError* error) {
    if (path.size() >= sizeof context->report_path) {
        if (error) *error = zzcrash_make_posix_error(path + ": " + std::strerror(ENAMETOOLONG), ENAMETOOLONG);
        return false;
    }
    std::memcpy(context->report_path, path.c_str(), path.size() + 1);
    return true;
}

// The signal mode catches every crash signal; the exception-server mode
// catches only SIGABRT by a signal (an abort is no exception), the faults
// coming as exceptions.
bool installSignalHandlers(std::span<const int> signals, zzcrash_crash_context* context, ZZCrashReporterError* error) {
    ZZCrashSignalHandler* handler = ZZCrashSignalHandler::sharedHandler();
    for (const int signal : signals) {
        if (!handler->registerHandlerForSignal(signal, zzcrash_signal_handler_callback, context, error)) return false;
    }
    return true;
}

// The exceptions the server takes: bad access, bad instruction, arithmetic,
// software and breakpoint, and guard exceptions from version 13 of the kernel
// that raises them.
std::uint32_t exceptionMask() {
    constexpr std::uint32_t mask = zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS) |
                                   zzcrash_exc_mask(ZZCRASH_EXC_BAD_INSTRUCTION) |
                                   zzcrash_exc_mask(ZZCRASH_EXC_ARITHMETIC) | zzcrash_exc_mask(ZZCRASH_EXC_SOFTWARE) |
                                   zzcrash_exc_mask(ZZCRASH_EXC_BREAKPOINT);
    const auto host = ZZCrashHostInfo::currentHostInfo();
    return host && host->darwinVersion().major >= 13 ? mask | zzcrash_exc_mask(ZZCRASH_EXC_GUARD) : mask;
}

// Starts an exception server with the callback and registers it for the
// exceptions of exceptionMask; what was registered for them before goes to
// `previous`. Null, with the step that failed, when it cannot be done.
std::unique_ptr<ZZCrashMachExceptionServer> startExceptionServer(std::shared_ptr<ZZCrashMachExceptionPortSet>* previous,
                                                                 zzcrash_mach_exception_server_callback callback,
                                                                 void* context, ZZCrashReporterError* error) {
    ZZCrashReporterError failure(ZZCrashReporterError::Code::operatingSystemFailure, "");
    auto server = ZZCrashMachExceptionServer::create(callback, context, &failure);
    if (!server) {
        if (error) *error = failedStep("Failed to instantiate the Mach exception server.", failure);
        return nullptr;
    }
    const auto port = server->exceptionPortWithMask(exceptionMask(), &failure);
    if (!port) {
        if (error) *error = failedStep("Failed to instantiate the Mach exception port.", failure);
        return nullptr;
    }
    if (!port->registerForTask(getpid(), previous, &failure)) {
        if (error) *error = failedStep("Failed to set the target task's mach exception ports.", failure);
        return nullptr;
    }
    return server;
}

}  // namespace

bool ZZCrashReporter::enableCrashReporter(ZZCrashReporterError* error) {
    if (!claimTheProcess(error) || !populateCrashReportDirectory(error) || !clearPendingReportName(error)) return false;
    zzcrash_crash_context* context = &zzcrash_shared_crash_context;
    if (!setReportPath(context, crashReportPath(), error)) return false;
    const zzcrash_error_t facts =
        zzcrash_log_writer_init(&context->writer, applicationIdentifier_.c_str(), applicationVersion_.c_str(),
                                applicationMarketingVersion_ ? applicationMarketingVersion_->c_str() : nullptr,
                                mapToAsyncSymbolicationStrategy(config_.symbolicationStrategy()), false);
    if (facts != ZZCRASH_ESUCCESS)
        std::fprintf(stderr,
                     "[ZZCrashReporter] This process's own facts could not be read: crash reports will "
                     "go without its name, path and parent\n");
    context->writer.holds_stopped_threads = true;
    if (customData_) zzcrash_log_writer_set_custom_data(&context->writer, customData_->data(), customData_->size());
    context->images = zzcrash_shared_image_list();
    if (!zzcrash_thread_stopper_install())
        std::fprintf(stderr,
                     "[ZZCrashReporter] Every real-time signal has a handler of the program's: crash "
                     "reports will hold the other threads by their ids only\n");
    const unsigned type = config_.signalHandlerType();
    if (type == ZZCrashReporterConfig::signalHandlerTypeBSD && !installSignalHandlers(crashSignals, context, error))
        return false;
    if (type == ZZCrashReporterConfig::signalHandlerTypeMach &&
        (!installSignalHandlers(abortSignal, context, error) || !installExceptionServer(error)))
        return false;
    if (config_.shouldRegisterUncaughtExceptionHandler()) zzcrash_install_uncaught_exception_handler(context);
    // After the handlers, so that the exception server's thread is among the
    // threads covered. A thread left without a stack is no reason to refuse
    // the reporter to the others.
    if (!zzcrash_thread_stacks_install())
        std::fprintf(stderr,
                     "[ZZCrashReporter] Every real-time signal has a handler of the program's: the "
                     "threads running now get no alternate signal stack\n");
    enabled_ = true;
    return true;
}

bool ZZCrashReporter::installAlternateStackForCurrentThread() { return zzcrash_thread_install_alternate_stack(); }

// The faults come to the server through the bridge, which the process gets once.
bool ZZCrashReporter::installExceptionServer(ZZCrashReporterError* error) {
    if (!zzcrash_fault_bridge_install()) {
        if (error) *error = zzcrash_make_posix_error("Failed to register signal handler", errno);
        return false;
    }
    zzcrash_install_fault_report_withdrawal();
    zzcrash_crash_context* context = &zzcrash_shared_crash_context;
    auto server = startExceptionServer(&previousMachPorts_, zzcrash_mach_exception_callback, context, error);
    if (!server) return false;
    machServer_ = server.release();
    context->previous_ports =
        previousMachPorts_ ? previousMachPorts_->asyncSafeRepresentation() : zzcrash_mach_exception_port_set{};
    return true;
}
