#pragma once
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
};

}  // namespace zerazov
