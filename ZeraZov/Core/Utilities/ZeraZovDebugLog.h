#pragma once
#include <atomic>
#include <string_view>

namespace zerazov {

// The analytics client's diagnostics: "[ZeraZov] " + message, one line on standard
// output (or the log sink a test installed), only while the process-wide debug
// switch is on.
class ZeraZovDebugLog {
public:
    static void setEnabled(bool enabled);
    static bool isEnabled();
    static void write(std::string_view message);
    // Data the client lost is told whatever the switch says, the first time only:
    // `reported` is the caller's flag for that kind of loss.
    static void writeFirstLoss(std::atomic<bool>& reported, std::string_view message);
};

}  // namespace zerazov
