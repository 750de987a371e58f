#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "CrashReporter/zzcrash_log_bound.h"

// How a crash reporter catches crashes and where it keeps its reports.
// Immutable; each shorter constructor passes the defaults of what it leaves out.
class ZZCrashReporterConfig {
public:
    enum SignalHandlerType : unsigned {
        signalHandlerTypeBSD = 0,   // POSIX signal handlers
        signalHandlerTypeMach = 1,  // the exception server, plus a SIGABRT handler
    };
    enum SymbolicationStrategy : unsigned {
        symbolicationStrategyNone = 0,
        symbolicationStrategySymbolTable = 1,
        symbolicationStrategyObjC = 2,
    };
    // A live report is cut to its limit as a crash report is (the outermost
    // frames of the threads not asked about go first), so a megabyte is room
    // enough; a limit above ZZCRASH_LOG_MAX_BYTES is held to that bound, the
    // one the readers keep.
    static constexpr std::uint64_t defaultMaxReportBytes = 1024 * 1024;

    static ZZCrashReporterConfig defaultConfiguration() { return {}; }

    ZZCrashReporterConfig() = default;
    explicit ZZCrashReporterConfig(std::string basePath);
    ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy);
    ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy, std::string basePath);
    // A text would otherwise be taken for the flag below.
    ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy, const char* basePath);
    ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                          bool shouldRegisterUncaughtExceptionHandler);
    ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                          bool shouldRegisterUncaughtExceptionHandler, std::optional<std::string> basePath,
                          std::uint64_t maxReportBytes = defaultMaxReportBytes);

    // 0 POSIX signals, 1 the exception server; any other value installs no handler.
    unsigned signalHandlerType() const { return signalHandlerType_; }
    // Bits of SymbolicationStrategy; other bits are not used.
    unsigned symbolicationStrategy() const { return symbolicationStrategy_; }
    bool shouldRegisterUncaughtExceptionHandler() const { return shouldRegisterUncaughtExceptionHandler_; }
    // The byte limit of a live report.
    std::uint64_t maxReportBytes() const { return maxReportBytes_; }
    // The folder the reports' folder is made in; nothing: the user's cache folder.
    const std::optional<std::string>& basePath() const { return basePath_; }

private:
    unsigned signalHandlerType_ = signalHandlerTypeBSD;
    unsigned symbolicationStrategy_ = symbolicationStrategyNone;
    bool shouldRegisterUncaughtExceptionHandler_ = true;
    std::uint64_t maxReportBytes_ = defaultMaxReportBytes;
    std::optional<std::string> basePath_;
};
