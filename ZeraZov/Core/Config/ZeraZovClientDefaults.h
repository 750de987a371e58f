#pragma once
#include <cstddef>
#include <string>

namespace zerazov {

// The values the client's configuration and state objects start with; their
// constructors take them from here so that one place says what a fresh client does.
struct ZeraZovClientDefaults {
    // ZeraZovRageClickConfig
    static constexpr double rageClickThresholdPoints = 30.0;
    static constexpr double rageClickTimeoutInterval = 1.0;  // seconds

    // ZeraZovLogsConfig
    static constexpr double logsFlushIntervalSeconds = 30.0;
    static constexpr std::size_t logsMaxBufferSize = 1000;
    static constexpr std::size_t logsRateCapMaxLogs = 500;
    static constexpr double logsRateCapWindowSeconds = 10.0;
    static constexpr const char* unknownServiceName = "com.zerazov.unknown";
    // The bundle identifier, or "com.zerazov.unknown" without one.
    static std::string logsServiceName(const std::string& bundleIdentifier) {
        return bundleIdentifier.empty() ? unknownServiceName : bundleIdentifier;
    }

    // ZeraZovConfig
    static constexpr double flushIntervalSeconds = 30.0;
    static constexpr const char* snapshotEndpoint = "/s/";

    // ZeraZovSessionManager
    static constexpr const char* sessionManagerQueueLabel = "com.zerazov.ZeraZovSessionManager";
    static constexpr double sessionActivityThreshold = 1800.0;    // 30 minutes of inactivity end a session
    static constexpr double sessionMaxLengthThreshold = 86400.0;  // 24 hours, the longest session
};

}  // namespace zerazov
