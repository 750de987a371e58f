#pragma once

// The result codes of the crash reporter's lower layer. Crash-time code never
// raises, logs or aborts: every failure is one of these.
enum zzcrash_error_t : int {
    ZZCRASH_ESUCCESS = 0,       // "No error"
    ZZCRASH_EUNKNOWN = 1,       // an unknown failure
    ZZCRASH_OUTPUT_ERR = 2,     // the output file cannot be opened or written
    ZZCRASH_ENOMEM = 3,         // out of memory, an address overflow, unmappable memory
    ZZCRASH_ENOTSUP = 4,        // an unknown CPU type or encoding
    ZZCRASH_EINVAL = 5,         // an invalid argument or an out-of-range read
    ZZCRASH_EINTERNAL = 6,      // a kernel call failed
    ZZCRASH_EACCESS = 7,        // access denied
    ZZCRASH_ENOTFOUND = 8,      // not found
    ZZCRASH_EINVALID_DATA = 9,  // the input data is in an unknown or invalid format
};

// The text of a code; any value without one gives "Unhandled error code".
// Async-signal-safe.
const char* zzcrash_async_error_text(int code);
