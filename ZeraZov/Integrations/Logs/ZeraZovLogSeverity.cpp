#include "ZeraZov/Integrations/Logs/ZeraZovLogSeverity.h"

#include <algorithm>
#include <string>

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {

std::string_view logSeverityName(ZeraZovLogSeverity severity) {
    switch (severity) {
    case ZeraZovLogSeverity::trace: return "trace";
    case ZeraZovLogSeverity::debug: return "debug";
    case ZeraZovLogSeverity::info: return "info";
    case ZeraZovLogSeverity::warn: return "warn";
    case ZeraZovLogSeverity::error: return "error";
    case ZeraZovLogSeverity::fatal: return "fatal";
    }
    return "info";
}

std::optional<ZeraZovLogSeverity> logSeverityFromRawValue(int rawValue) {
    for (const auto severity : allLogSeverities) {
        if (static_cast<int>(severity) == rawValue) return severity;
    }
    return std::nullopt;
}

std::optional<ZeraZovLogSeverity> logSeverityFromString(std::string_view text) {
    // The names are ASCII, so folding ASCII letters is all the lower-casing a match needs.
    std::string lowered(trimmedWhitespaceAndNewlines(text));
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    for (const auto severity : allLogSeverities) {
        if (logSeverityName(severity) == lowered) return severity;
    }
    return std::nullopt;
}

}  // namespace zerazov
