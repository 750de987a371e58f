#include "ZeraZov/Client/Integrations/Private/ZeraZovErrorTrackingAutoCaptureIntegration.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "CrashReporter/Report/ZZCrashReport.h"
#include "Platform/Foundation/ThreadStart.h"
#include "ZeraZov/Client/Integrations/Private/TracerPid.h"
#include "ZeraZov/Client/ZeraZovSDK.h"
#include "ZeraZov/Core/Flags/ZeraZovRemoteConfig.h"
#include "ZeraZov/Core/Utilities/JSONHelpers.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Integrations/ErrorTracking/CrashReportEventProperties.h"

namespace zerazov {
namespace {

using nlohmann::json;

ZeraZovInstallSlot& processSlot() {
    static auto* slot = new ZeraZovInstallSlot();
    return *slot;
}

std::unique_ptr<ZZCrashReporter> makeProcessReporter() {
    return ZZCrashReporter::withConfiguration(ZZCrashReporterConfig(
        ZZCrashReporterConfig::signalHandlerTypeMach, ZZCrashReporterConfig::symbolicationStrategyNone, true));
}

// An enabled reporter is never destroyed, not even at exit: its handlers stay
// in force for the rest of the process and pass exceptions on through the
// send rights it holds on the ports they went to before it. Reachable from
// here, it is no leak.
ZZCrashReporter* keptReporter = nullptr;

void keepForTheProcess(std::unique_ptr<ZZCrashReporter> reporter) { keptReporter = reporter.release(); }

// A thread started after the enable gets an alternate signal stack only when it
// asks, and without one an overflow of its stack ends the process unreported:
// every thread the client starts asks, first thing.
void askForAnAlternateStack() { static_cast<void>(ZZCrashReporter::installAlternateStackForCurrentThread()); }

ZZCrashReporterError noError() {
    return zzcrash_make_error(ZZCrashReporterError::Code::operatingSystemFailure, "unknown error");
}

// The crash context a report carries: {"distinct_id": ..., "event_properties": {...}},
// an empty object when it has none or it is not one.
json crashContextOf(const ZZCrashReport& report) {
    const auto& data = report.customData();
    if (!data) return json::object();
    const std::string_view bytes(reinterpret_cast<const char*>(data->data()), data->size());
    return jsonObject(bytes).value_or(json::object());
}

std::optional<std::string> distinctIdIn(const json& context) {
    const auto found = context.find("distinct_id");
    if (found == context.end() || !found->is_string()) return std::nullopt;
    return found->get<std::string>();
}

json eventPropertiesIn(const json& context) {
    const auto found = context.find("event_properties");
    return found != context.end() && found->is_object() ? *found : json::object();
}

}  // namespace

ZeraZovErrorTrackingAutoCaptureIntegration::Dependencies
ZeraZovErrorTrackingAutoCaptureIntegration::processDependencies() {
    return {processSlot(), makeProcessReporter, &ZeraZovErrorTrackingAutoCaptureIntegration::isDebuggerAttached};
}

bool ZeraZovErrorTrackingAutoCaptureIntegration::isDebuggerAttached() {
    std::ifstream file("/proc/self/status");
    if (!file) {
        ZeraZovDebugLog::write("Failed to check for debugger. Reading /proc/self/status failed with error code: " +
                               std::to_string(errno));
        return false;
    }
    const std::string status{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const auto tracer = tracerPid(status);
    if (!tracer) {
        ZeraZovDebugLog::write("Failed to check for debugger. /proc/self/status has no TracerPid line");
        return false;
    }
    return *tracer != 0;
}

std::optional<ZeraZovIntegrationInstallError> ZeraZovErrorTrackingAutoCaptureIntegration::install(ZeraZovSDK& sdk) {
    if (const auto remote = sdk.remoteConfig(); remote && !remote->autoCaptureExceptions()) {
        return ZeraZovIntegrationInstallError::disabledInRemoteConfig;
    }
    if (!dependencies_.slot.claim()) return ZeraZovIntegrationInstallError::alreadyInstalled;
    try {
        installClaimed(sdk);
    } catch (...) {
        // An installation that failed holds nothing, so another client may try.
        release();
        throw;
    }
    return std::nullopt;
}

void ZeraZovErrorTrackingAutoCaptureIntegration::installClaimed(ZeraZovSDK& sdk) {
    auto reporter = dependencies_.makeReporter();
    if (!reporter) return ZeraZovDebugLog::write("Failed to create ZZCrashReporter instance");
    const bool pending = reporter->hasPendingCrashReport();
    {
        std::lock_guard guard(reporterLock_);
        crashReporter_ = std::move(reporter);
    }
    zeraZov_ = sdk.weak_from_this();
    if (pending) {
        ZeraZovDebugLog::write("Found pending crash report, processing...");
        processPendingCrashReport();
    }
    std::lock_guard guard(reporterLock_);
    if (crashReporter_) enableCrashReporter(*crashReporter_);
}

void ZeraZovErrorTrackingAutoCaptureIntegration::enableCrashReporter(ZZCrashReporter& reporter) {
    if (dependencies_.isDebuggerAttached()) {
        return ZeraZovDebugLog::write(
            "Crash handler is disabled because a debugger is attached. Crashes will be caught by the debugger "
            "instead.");
    }
    auto error = noError();
    // Before the enable, so that no thread starts between the enable's sweep of
    // the running threads and the hook.
    const auto previousHook = platform::setThreadStartHook(askForAnAlternateStack);
    if (!reporter.enableCrashReporter(&error)) {
        platform::setThreadStartHook(previousHook);
        return ZeraZovDebugLog::write("Failed to enable ZZCrashReporter: " + error.description());
    }
    ZeraZovDebugLog::write("ZZCrashReporter enabled successfully");
}

void ZeraZovErrorTrackingAutoCaptureIntegration::uninstall(ZeraZovSDK& sdk) {
    if (const auto holder = zeraZov_.lock(); holder && holder.get() != &sdk) return;
    release();
}

void ZeraZovErrorTrackingAutoCaptureIntegration::release() {
    {
        std::lock_guard guard(reporterLock_);
        if (crashReporter_ && crashReporter_->enabled()) keepForTheProcess(std::move(crashReporter_));
        crashReporter_.reset();
    }
    zeraZov_.reset();
    dependencies_.slot.release();
}

void ZeraZovErrorTrackingAutoCaptureIntegration::updateContext(const json& context) {
    std::lock_guard guard(reporterLock_);
    if (!crashReporter_) return;
    std::string text;
    try {
        text = context.dump();
    } catch (const json::exception& error) {
        return ZeraZovDebugLog::write("Failed to serialize crash context: " + std::string(error.what()));
    }
    crashReporter_->setCustomData(std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<std::uint8_t>> ZeraZovErrorTrackingAutoCaptureIntegration::takePendingReport() {
    std::lock_guard guard(reporterLock_);
    if (!crashReporter_) return std::nullopt;
    auto error = noError();
    auto data = crashReporter_->loadPendingCrashReportData(&error);
    if (!data) ZeraZovDebugLog::write("Failed to load crash report: " + error.description());
    // A report left in place comes back at the next launch and is sent again.
    if (!crashReporter_->purgePendingCrashReport(&error) && data)
        ZeraZovDebugLog::write("Failed to purge crash report: " + error.description());
    return data;
}

// A report is the crashed run's, not this one's: whatever it holds, the
// reporter is still enabled afterwards.
void ZeraZovErrorTrackingAutoCaptureIntegration::processPendingCrashReport() {
    try {
        capturePendingCrashReport();
    } catch (const std::exception& error) {
        ZeraZovDebugLog::write("Failed to process crash report: " + std::string(error.what()));
    }
}

void ZeraZovErrorTrackingAutoCaptureIntegration::capturePendingCrashReport() {
    const auto sdk = zeraZov_.lock();
    if (!sdk) return;
    const auto data = takePendingReport();
    if (!data) return;
    auto decoded = ZZCrashReport::fromData(*data);
    if (const auto* error = std::get_if<ZZCrashReporterError>(&decoded)) {
        return ZeraZovDebugLog::write("Failed to process crash report: " + error->description());
    }
    const auto& report = std::get<ZZCrashReport>(decoded);
    const auto context = crashContextOf(report);
    auto properties = eventPropertiesIn(context);
    // The crash's own properties win over those of the moment before it.
    properties.update(crashReportEventProperties(report, sdk->config()->errorTrackingConfig));
    std::optional<ZeraZovSDK::Date> timestamp;
    if (const auto& time = report.systemInfo().timestamp()) timestamp = *time;
    sdk->captureAssembled("$exception", std::move(properties), distinctIdIn(context), timestamp);
    ZeraZovDebugLog::write("Crash report processed and captured");
}

}  // namespace zerazov
