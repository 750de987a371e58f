#include "CrashReporter/Async/zzcrash_error.h"

namespace {

const char* const texts[] = {
    "No error",
    "Unknown error",
    "Output file can not be opened (or written to)",
    "No memory available",
    "Operation not supported",
    "Invalid argument",
    "Internal error",
    "Access denied",
    "Not found",
    "The input data is in an unknown or invalid format.",
};

}  // namespace

const char* zzcrash_async_error_text(int code) {
    if (code < 0 || code >= static_cast<int>(sizeof texts / sizeof texts[0])) return "Unhandled error code";
    return texts[code];
}
