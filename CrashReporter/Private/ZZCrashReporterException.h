#pragma once
#include <stdexcept>

// A crash reporter used against its rules: a programming error.
class ZZCrashReporterException : public std::logic_error {
public:
    using std::logic_error::logic_error;
};
