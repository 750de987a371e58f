#pragma once
#include <signal.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/ZZCrashReporterConfig.h"
#include "CrashReporter/ZZCrashReporterError.h"

// Named here only; a caller that builds or reads one includes its header.
struct ZZCrashLanguageException;
struct ZZCrashReporterBundle;
class ZZCrashMachExceptionPortSet;
class ZZCrashMachExceptionServer;

// What the application asks to be called with after a crash report has been
// written, still inside the crash: only async-signal-safe work belongs there.
struct ZZCrashReporterCallbacks {
    std::uint16_t version;  // must be 0
    void* context;
    void (*handleSignal)(siginfo_t* info, ucontext_t* context, void* callbackContext);
};

// The crash reporter as the application uses it: it installs the crash
// handlers once per process, answers whether a report from an earlier run is
// pending, hands out its bytes and deletes it, writes live reports on
// request, and carries the application's custom data into every report.
// Reports live in "<base path or the user's cache folder>/
// com.zerazov.crashreporter.data/<application identifier, "/" as "_">/".
// Operations that can fail answer false or nothing and, when asked, say why
// in `error`.
class ZZCrashReporter {
public:
    // One reporter for the process, made at first use from the process's own
    // bundle and the default configuration; null when it cannot be made.
    static ZZCrashReporter* sharedReporter();
    static std::unique_ptr<ZZCrashReporter> create();
    static std::unique_ptr<ZZCrashReporter> withConfiguration(const ZZCrashReporterConfig& configuration);
    // The bundle's identifier, else the process's name; null (and a log line)
    // without either. The bundle's version, else "".
    static std::unique_ptr<ZZCrashReporter> withBundle(const ZZCrashReporterBundle& bundle,
                                                       const ZZCrashReporterConfig& configuration);
    ZZCrashReporter(std::string applicationIdentifier, std::string applicationVersion,
                    std::optional<std::string> applicationMarketingVersion, ZZCrashReporterConfig configuration);

    ZZCrashReporter(const ZZCrashReporter&) = delete;
    ZZCrashReporter& operator=(const ZZCrashReporter&) = delete;

    const std::string& crashReportDirectory() const { return crashReportDirectory_; }
    // The pending report: the one the last crash wrote.
    std::string crashReportPath() const;
    std::string queuedCrashReportDirectory() const;

    bool hasPendingCrashReport() const;
    // The pending report's bytes, read as ZZCrashLogFile reads (a regular file
    // of a crash log's size only); nothing when that refuses it.
    std::optional<std::vector<std::uint8_t>> loadPendingCrashReportData(ZZCrashReporterError* error = nullptr) const;
    // Removes whatever is at the pending report's path, a folder with its content too.
    [[nodiscard]] bool purgePendingCrashReport(ZZCrashReporterError* error = nullptr) const;
    // Creates the reports' folders when they are missing and makes them the
    // user's alone (0700, whatever the umask); false when one of the
    // reporter's own folders is a link or no folder.
    [[nodiscard]] bool populateCrashReportDirectory(ZZCrashReporterError* error = nullptr) const;

    // Installs the crash handlers, and gives the enabling thread and every
    // thread running now an alternate signal stack. Only one reporter per
    // process is ever enabled: every later call fails (code 3), even after a
    // failure.
    [[nodiscard]] bool enableCrashReporter(ZZCrashReporterError* error = nullptr);
    // Whether this reporter's enable succeeded. An enabled reporter's handlers
    // use what it holds (in the exception-server mode, the send rights of the
    // ports exceptions went to before), so its owner keeps it for the rest of
    // the process.
    bool enabled() const { return enabled_; }
    // For a thread started after the enable, first thing: an alternate signal
    // stack of its own (zzcrash_thread_install_alternate_stack), without which
    // an overflow of its stack ends the process unreported.
    [[nodiscard]] static bool installAlternateStackForCurrentThread();

    const std::optional<std::vector<std::uint8_t>>& customData() const { return customData_; }
    // Kept, and put into the report of a crash at once; nothing clears it.
    void setCustomData(std::optional<std::vector<std::uint8_t>> customData);
    // The application's callback after a crash report was written (version
    // 0 only). Throws ZZCrashReporterException once this reporter is enabled.
    void setCrashCallbacks(const ZZCrashReporterCallbacks* callbacks);

    // A crash log of the running process, with `thread` marked crashed: the
    // calling thread is described from here, another thread from where it was
    // stopped (the calling thread is then left out). Signal SIGTRAP with code
    // TRAP_TRACE, at the address this was called from.
    std::optional<std::vector<std::uint8_t>> generateLiveReportWithThread(zzcrash_thread_t thread,
                                                                          const ZZCrashLanguageException* exception,
                                                                          ZZCrashReporterError* error = nullptr);
    std::optional<std::vector<std::uint8_t>> generateLiveReportWithThread(zzcrash_thread_t thread,
                                                                          ZZCrashReporterError* error = nullptr);
    std::optional<std::vector<std::uint8_t>> generateLiveReport(ZZCrashReporterError* error = nullptr);
    std::optional<std::vector<std::uint8_t>> generateLiveReportWithException(const ZZCrashLanguageException& exception,
                                                                             ZZCrashReporterError* error = nullptr);

    // The strategy bits the crash-time symbol lookup knows.
    static std::uint32_t mapToAsyncSymbolicationStrategy(unsigned strategy);

private:
    [[nodiscard]] bool installExceptionServer(ZZCrashReporterError* error);
    [[nodiscard]] bool clearPendingReportName(ZZCrashReporterError* error) const;

    ZZCrashReporterConfig config_;
    bool enabled_ = false;
    // The server stays for the rest of the process, whatever becomes of this
    // reporter: the process's exceptions are registered to go to it.
    ZZCrashMachExceptionServer* machServer_ = nullptr;
    std::shared_ptr<ZZCrashMachExceptionPortSet> previousMachPorts_;
    std::string applicationIdentifier_;
    std::string applicationVersion_;
    std::optional<std::string> applicationMarketingVersion_;
    std::string crashReportDirectory_;
    std::optional<std::vector<std::uint8_t>> customData_;
};
