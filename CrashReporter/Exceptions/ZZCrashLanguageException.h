#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "CrashReporter/Async/zzcrash_async_image_list.h"

// A C++ exception as a crash report describes it: the name of its type, what
// it says, and the return addresses of the stack it was thrown on.
struct ZZCrashLanguageException {
    std::string name;
    std::string reason;
    std::vector<std::uint64_t> callStackReturnAddresses;  // innermost first

    // The exception being handled (in a catch block or a terminate handler):
    // its type's name and, for a std::exception, what(); the call stack is
    // the calling thread's, walked through `images`, from the throw on (when
    // no handler caught the exception, it is still on the stack). Nothing
    // without an exception.
    static std::optional<ZZCrashLanguageException> current(zzcrash_async_image_list* images);

    // The demangled name of an exception's type; std::throw_with_nested
    // throws the library's wrapper around the exception it is given, which
    // is named after that exception (what the application threw).
    static std::string typeName(const std::type_info* type);
};
