#include "CrashReporter/Report/ZZCrashReportTextFormatter.h"

#include "CrashReporter/Report/Private/ZZCrashReportNames.h"
#include "CrashReporter/Report/Private/ZZCrashReportTextWriter.h"

namespace {

// Every character outside ASCII as "?".
std::vector<std::uint8_t> asciiBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size());
    for (const char byte : text) {
        const auto value = static_cast<unsigned char>(byte);
        if (value < 0x80) {
            bytes.push_back(value);
        } else if ((value & 0xC0) != 0x80) {
            bytes.push_back('?');
        }
    }
    return bytes;
}

}  // namespace

std::string ZZCrashReportTextFormatter::stringValueForCrashReport(const ZZCrashReport& report, TextFormat) {
    return ZZCrashReportTextWriter(report, ZZCrashReportNames::codeType(report)).reportText();
}

std::string ZZCrashReportTextFormatter::formatStackFrame(const ZZCrashReportStackFrameInfo& frame,
                                                         std::int64_t frameIndex, const ZZCrashReport& report,
                                                         bool lp64) {
    return ZZCrashReportTextWriter(report, {ZZCrashReportNames::codeType(report).name, lp64})
        .frameLine(frame, frameIndex);
}

std::vector<std::uint8_t> ZZCrashReportTextFormatter::formatReport(const ZZCrashReport& report) const {
    const auto text = stringValueForCrashReport(report, textFormat_);
    if (stringEncoding_ == StringEncoding::ascii) return asciiBytes(text);
    return {text.begin(), text.end()};
}
