#pragma once
#include <cstdint>
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
    // An operating-system failure with the errno value underneath.
    static ZZCrashReporterError posix(std::string description, int posixError) {
        ZZCrashReporterError error(Code::operatingSystemFailure, std::move(description));
        error.posixError_ = posixError;
        return error;
    }

    // An operating-system failure with the port layer's result underneath.
    static ZZCrashReporterError mach(std::string description, std::int32_t machError) {
        ZZCrashReporterError error(Code::operatingSystemFailure, std::move(description));
        error.machError_ = machError;
        return error;
    }

    Code code() const { return code_; }
    const std::string& description() const { return description_; }
    // The errno value of the failure underneath; 0 when there is none.
    int underlyingPOSIXError() const { return posixError_; }
    // The port layer's result underneath; 0 when there is none.
    std::int32_t underlyingMachError() const { return machError_; }

private:
    Code code_;
    std::string description_;
    int posixError_ = 0;
    std::int32_t machError_ = 0;
};
