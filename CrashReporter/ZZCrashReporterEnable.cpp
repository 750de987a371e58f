// Enabling: the crash context filled, the handlers installed, once per process.
#include <signal.h>

#include <cstring>
#include <mutex>

#include "CrashReporter/Platform/zzcrash_thread_stopper.h"
#include "CrashReporter/Private/zzcrash_crash_handlers.h"
#include "CrashReporter/Private/zzcrash_shared_image_list.h"
#include "CrashReporter/ZZCrashReporter.h"

namespace {

// The signals of a crash, registered in this order.
constexpr int crashSignals[] = {SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGSEGV, SIGTRAP};

std::mutex enabling;
bool processEnabled = false;

bool claimTheProcess(ZZCrashReporterError* error) {
    const std::lock_guard guard(enabling);
    if (!processEnabled) {
        processEnabled = true;
        return true;
    }
    if (error)
        *error = {ZZCrashReporterError::Code::reporterAlreadyEnabled, "A ZZCrashReporter instance has already been enabled"};
    return false;
}

bool setReportPath(zzcrash_crash_context* context, const std::string& path, ZZCrashReporterError* error) {
    if (path.size() >= sizeof context->report_path) {
        if (error) *error = ZZCrashReporterError::posix(path + ": " + std::strerror(ENAMETOOLONG), ENAMETOOLONG);
        return false;
    }
    std::memcpy(context->report_path, path.c_str(), path.size() + 1);
    return true;
}

// Both handler types install every crash signal's handler: until an
// exception server exists here, the signals are all there is to catch a
// crash by.
bool installSignalHandlers(unsigned type, zzcrash_crash_context* context, ZZCrashReporterError* error) {
    if (type != ZZCrashReporterConfig::signalHandlerTypeBSD && type != ZZCrashReporterConfig::signalHandlerTypeMach)
        return true;
    ZZCrashSignalHandler* handler = ZZCrashSignalHandler::sharedHandler();
    if (!handler) {
        if (error) *error = ZZCrashReporterError::posix("Could not initialize alternative signal stack", ENOMEM);
        return false;
    }
    for (const int signal : crashSignals) {
        if (!handler->registerHandlerForSignal(signal, zzcrash_signal_handler_callback, context, error)) return false;
    }
    return true;
}

}  // namespace

bool ZZCrashReporter::enableCrashReporter(ZZCrashReporterError* error) {
    if (!claimTheProcess(error) || !populateCrashReportDirectory(error)) return false;
    zzcrash_crash_context* context = &zzcrash_shared_crash_context;
    if (!setReportPath(context, crashReportPath(), error)) return false;
    zzcrash_log_writer_init(&context->writer, applicationIdentifier_.c_str(), applicationVersion_.c_str(),
                            applicationMarketingVersion_ ? applicationMarketingVersion_->c_str() : nullptr,
                            mapToAsyncSymbolicationStrategy(config_.symbolicationStrategy()), false);
    if (customData_) zzcrash_log_writer_set_custom_data(&context->writer, customData_->data(), customData_->size());
    context->images = zzcrash_shared_image_list();
    zzcrash_thread_stopper_install();
    if (!installSignalHandlers(config_.signalHandlerType(), context, error)) return false;
    if (config_.shouldRegisterUncaughtExceptionHandler()) zzcrash_install_uncaught_exception_handler(context);
    enabled_ = true;
    return true;
}
