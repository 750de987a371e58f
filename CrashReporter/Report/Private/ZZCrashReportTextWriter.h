#pragma once
#include <cstdint>
#include <string>

#include "CrashReporter/Report/Private/ZZCrashReportNames.h"
#include "CrashReporter/Report/ZZCrashReport.h"

// One report's text, section by section. A report names its operating system
// once, so a symbol convention the writer does not know for it is logged once
// per writer, not once per frame.
class ZZCrashReportTextWriter {
public:
    // Addresses take 16 hexadecimal digits when `codeType` is 64-bit, else 8.
    ZZCrashReportTextWriter(const ZZCrashReport& report, ZZCrashReportNames::CodeType codeType);

    // The whole report: header, exception, threads, the crashed thread's
    // registers and the images.
    std::string reportText();
    // "index image-name address location", one line.
    std::string frameLine(const ZZCrashReportStackFrameInfo& frame, std::int64_t index);

private:
    void add(const std::string& text) { text_ += text; }
    void header();
    void process();
    void system();
    void exception();
    void frames(const std::vector<ZZCrashReportStackFrameInfo>& frames);
    void threads();
    void threadState();
    std::string registerText(const ZZCrashReportRegisterInfo& entry) const;
    bool isARMMachine() const;
    void binaryImages();
    std::string imageLine(const ZZCrashReportBinaryImageInfo& image) const;
    std::string location(const ZZCrashReportStackFrameInfo& frame, const ZZCrashReportBinaryImageInfo* image);
    std::string symbolName(const std::string& name);

    const ZZCrashReport& report_;
    ZZCrashReportNames::CodeType codeType_;
    std::string text_;
    const ZZCrashReportThreadInfo* crashedThread_ = nullptr;
    bool prefixRulesLogged_ = false;
};
