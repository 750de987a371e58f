#include "CrashReporter/ZZCrashReporterConfig.h"

#include <utility>

ZZCrashReporterConfig::ZZCrashReporterConfig(std::string basePath)
    : ZZCrashReporterConfig(signalHandlerTypeBSD, symbolicationStrategyNone, std::move(basePath)) {}

ZZCrashReporterConfig::ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy)
    : ZZCrashReporterConfig(signalHandlerType, symbolicationStrategy, true, std::nullopt) {}

ZZCrashReporterConfig::ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                                             std::string basePath)
    : ZZCrashReporterConfig(signalHandlerType, symbolicationStrategy, true, std::move(basePath)) {}

ZZCrashReporterConfig::ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                                             const char* basePath)
    : ZZCrashReporterConfig(signalHandlerType, symbolicationStrategy, std::string(basePath)) {}

ZZCrashReporterConfig::ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                                             bool shouldRegisterUncaughtExceptionHandler)
    : ZZCrashReporterConfig(signalHandlerType, symbolicationStrategy, shouldRegisterUncaughtExceptionHandler,
                            std::nullopt) {}

ZZCrashReporterConfig::ZZCrashReporterConfig(unsigned signalHandlerType, unsigned symbolicationStrategy,
                                             bool shouldRegisterUncaughtExceptionHandler,
                                             std::optional<std::string> basePath, std::uint64_t maxReportBytes)
    : signalHandlerType_(signalHandlerType),
      symbolicationStrategy_(symbolicationStrategy),
      shouldRegisterUncaughtExceptionHandler_(shouldRegisterUncaughtExceptionHandler),
      maxReportBytes_(maxReportBytes),
      basePath_(std::move(basePath)) {}
