#pragma once
#include <array>
#include <optional>
#include <string_view>

namespace zerazov {

// How severe a log record is. The raw values are stored by callers that keep a
// level as a number, so they never change.
enum class ZeraZovLogSeverity : int {
    trace = 0,
    debug = 1,
    info = 2,
    warn = 3,
    error = 4,
    fatal = 5,
};

inline constexpr std::array<ZeraZovLogSeverity, 6> allLogSeverities = {
    ZeraZovLogSeverity::trace, ZeraZovLogSeverity::debug, ZeraZovLogSeverity::info,
    ZeraZovLogSeverity::warn,  ZeraZovLogSeverity::error, ZeraZovLogSeverity::fatal,
};

// "trace", "debug", "info", "warn", "error", "fatal".
std::string_view logSeverityName(ZeraZovLogSeverity severity);

// 0 to 5; nothing for any other number.
std::optional<ZeraZovLogSeverity> logSeverityFromRawValue(int rawValue);

// A name in any case with white space and line breaks around it ("  WARN\n");
// nothing for anything else ("warning").
std::optional<ZeraZovLogSeverity> logSeverityFromString(std::string_view text);

}  // namespace zerazov
