#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "CrashReporter/ZZCrashReporter.h"
#include "ZeraZov/Client/Integrations/Private/ZeraZovInstallSlot.h"
#include "ZeraZov/Client/Integrations/ZeraZovIntegration.h"

namespace zerazov {

// Captures crashes without any call from the application. Installing creates and
// enables the crash reporter (exception-server mode, uncaught C++ exceptions
// recorded), after turning a report that an earlier run left into one "$exception"
// event; the client's identity and event properties ride along in the reporter's
// custom data, so that a crash carries those of its moment. One client per process
// can hold it; the reporter's handlers stay for the life of the process.
class ZeraZovErrorTrackingAutoCaptureIntegration final : public ZeraZovIntegration {
public:
    struct Dependencies {
        ZeraZovInstallSlot& slot;
        // The reporter to install; nothing when it cannot be made.
        std::function<std::unique_ptr<ZZCrashReporter>()> makeReporter;
        std::function<bool()> isDebuggerAttached;
    };

    // The process's slot, its reporter in its default folder, and the debugger check.
    static Dependencies processDependencies();
    // Whether a debugger (any tracer) is attached to this process; false, logged,
    // when that cannot be told.
    static bool isDebuggerAttached();

    explicit ZeraZovErrorTrackingAutoCaptureIntegration(Dependencies dependencies)
        : dependencies_(std::move(dependencies)) {}

    std::string_view typeName() const override { return "ZeraZovErrorTrackingAutoCaptureIntegration"; }
    bool requiresSwizzling() const override { return false; }
    std::optional<ZeraZovIntegrationInstallError> install(ZeraZovSDK& sdk) override;
    void uninstall(ZeraZovSDK& sdk) override;
    // Stores the context as JSON in the reporter's custom data.
    void updateContext(const nlohmann::json& context) override;

    // The pending report of an earlier run as one "$exception" event, the report
    // deleted before it is read, so that a report that cannot be read is not
    // offered again.
    void processPendingCrashReport();
    // Enables the reporter unless a debugger is attached, which should see crashes first.
    void enableCrashReporter(ZZCrashReporter& reporter);

private:
    // The installation once the slot is this client's.
    void installClaimed(ZeraZovSDK& sdk);
    // Lets go of the reporter, the client and the slot.
    void release();
    void capturePendingCrashReport();
    // The pending report's bytes, deleted from disk; nothing when there is no reporter
    // or they cannot be read.
    std::optional<std::vector<std::uint8_t>> takePendingReport();

    Dependencies dependencies_;
    std::weak_ptr<ZeraZovSDK> zeraZov_;
    // Guards crashReporter_: contexts arrive on the threads of the operations that
    // changed them, an uninstall on that of opt-out or close.
    std::mutex reporterLock_;
    std::unique_ptr<ZZCrashReporter> crashReporter_;
};

}  // namespace zerazov
