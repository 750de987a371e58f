#pragma once
#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"

namespace zerazov::testing {

// Turns the client's diagnostics on and collects them for one test.
class DebugLogging {
public:
    DebugLogging() : wasEnabled_(ZeraZovDebugLog::isEnabled()) { ZeraZovDebugLog::setEnabled(true); }
    ~DebugLogging() { ZeraZovDebugLog::setEnabled(wasEnabled_); }
    DebugLogging(const DebugLogging&) = delete;
    DebugLogging& operator=(const DebugLogging&) = delete;

    const platform::LogCapture& log() const { return capture_; }

private:
    bool wasEnabled_;
    platform::LogCapture capture_;
};

}  // namespace zerazov::testing
