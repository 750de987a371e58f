#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CrashReporter/Async/zzcrash_async_image_list.h"

// A C++ exception as a crash report describes it: the name of its type, what
// it says, and the return addresses of the stack it was thrown on.
struct ZZCrashLanguageException {
    std::string name;
    std::string reason;
    std::vector<std::uint64_t> callStackReturnAddresses;  // innermost first

    // The exception being handled (in a catch block or a terminate handler):
    // its demangled type and, for a std::exception, what(); the call stack is
    // the calling thread's, walked through `images`, which is where the
    // exception was thrown when no handler caught it. Nothing without an
    // exception.
    static std::optional<ZZCrashLanguageException> current(zzcrash_async_image_list* images);
};
