#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "CrashReporter/Report/ZZCrashReport.h"

// A crash report as a person reads it, in the layout of the classic crash
// logs: header, exception, every thread with one line per frame, the crashed
// thread's registers and the loaded images. Values the report lacks print as
// "???".
class ZZCrashReportTextFormatter {
public:
    enum class TextFormat : std::int32_t { classic = 0 };
    enum class StringEncoding { utf8, ascii };

    // The whole report; `format` has only one value and is not consulted.
    static std::string stringValueForCrashReport(const ZZCrashReport& report, TextFormat format);
    // One frame line; `lp64` picks 16 hexadecimal digits for the address over 8.
    static std::string formatStackFrame(const ZZCrashReportStackFrameInfo& frame, std::int64_t frameIndex,
                                        const ZZCrashReport& report, bool lp64);

    ZZCrashReportTextFormatter(TextFormat textFormat, StringEncoding stringEncoding)
        : textFormat_(textFormat), stringEncoding_(stringEncoding) {}

    // The report's text in this formatter's encoding; what the encoding cannot
    // hold becomes "?".
    std::vector<std::uint8_t> formatReport(const ZZCrashReport& report) const;

private:
    TextFormat textFormat_;
    StringEncoding stringEncoding_;
};
