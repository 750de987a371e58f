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

    Code code() const { return code_; }
    const std::string& description() const { return description_; }
    // The errno value of the failure underneath; 0 when there is none.
    int underlyingPOSIXError() const { return posixError_; }
    // The port layer's result underneath; 0 when there is none.
    std::int32_t underlyingMachError() const { return machError_; }

private:
    friend ZZCrashReporterError zzcrash_make_posix_error(std::string description, int posixError);
    friend ZZCrashReporterError zzcrash_make_mach_error(std::string description, std::int32_t machError);

    Code code_;
    std::string description_;
    int posixError_ = 0;
    std::int32_t machError_ = 0;
};

// An error of the domain; the constructor's named form.
inline ZZCrashReporterError zzcrash_make_error(ZZCrashReporterError::Code code, std::string description) {
    return {code, std::move(description)};
}

// An operating-system failure with the errno value underneath.
inline ZZCrashReporterError zzcrash_make_posix_error(std::string description, int posixError) {
    ZZCrashReporterError error =
        zzcrash_make_error(ZZCrashReporterError::Code::operatingSystemFailure, std::move(description));
    error.posixError_ = posixError;
    return error;
}

// An operating-system failure with the port layer's result underneath.
inline ZZCrashReporterError zzcrash_make_mach_error(std::string description, std::int32_t machError) {
    ZZCrashReporterError error =
        zzcrash_make_error(ZZCrashReporterError::Code::operatingSystemFailure, std::move(description));
    error.machError_ = machError;
    return error;
}
