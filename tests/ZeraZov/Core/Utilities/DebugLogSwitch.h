#pragma once
#include "ZeraZov/Core/ZeraZovDebugLog.h"

namespace zerazov::testing {

// Turns the client's debug log on for one test and puts the switch back after.
class DebugLogSwitch {
public:
    explicit DebugLogSwitch(bool enabled = true) : previous_(ZeraZovDebugLog::isEnabled()) {
        ZeraZovDebugLog::setEnabled(enabled);
    }
    ~DebugLogSwitch() { ZeraZovDebugLog::setEnabled(previous_); }
    DebugLogSwitch(const DebugLogSwitch&) = delete;
    DebugLogSwitch& operator=(const DebugLogSwitch&) = delete;

private:
    bool previous_;
};

}  // namespace zerazov::testing
