#pragma once
#include <string>
#include <utility>

// An error of the crash reporter's object layer (domain
// "ZZCrashReporterErrorDomain"): what went wrong, as a code and a text.
class ZZCrashReporterError {
public:
    static constexpr const char* domain = "ZZCrashReporterErrorDomain";

    enum class Code {
        liveReportFailed = 0,
        operatingSystemFailure = 1,
        invalidCrashReport = 2,
        reporterAlreadyEnabled = 3,
    };

    ZZCrashReporterError(Code code, std::string description) : code_(code), description_(std::move(description)) {}

    Code code() const { return code_; }
    const std::string& description() const { return description_; }

private:
    Code code_;
    std::string description_;
};
