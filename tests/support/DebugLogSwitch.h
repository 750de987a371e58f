#pragma once
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"

namespace tessivar::testing {

// Sets the analytics client's debug switch (on unless told otherwise) for as long
// as it lives and then puts it back as it found it, also when an ASSERT_ ends the
// test early: a switch left on would change what later tests of the program log.
class DebugLogSwitch {
public:
    explicit DebugLogSwitch(bool enabled = true) : previous_(zerazov::ZeraZovDebugLog::isEnabled()) {
        zerazov::ZeraZovDebugLog::setEnabled(enabled);
    }
    ~DebugLogSwitch() { zerazov::ZeraZovDebugLog::setEnabled(previous_); }
    DebugLogSwitch(const DebugLogSwitch&) = delete;
    DebugLogSwitch& operator=(const DebugLogSwitch&) = delete;

private:
    bool previous_;
};

}  // namespace tessivar::testing
