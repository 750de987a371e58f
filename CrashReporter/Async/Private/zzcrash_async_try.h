#pragma once

// Returns the code of a crash-path call that did not succeed; the readers
// chain many such calls, each answering a zzcrash_error_t.
#define ZZCRASH_TRY(expression)                                              \
    do {                                                                     \
        const zzcrash_error_t zzcrash_try_error = (expression);              \
        if (zzcrash_try_error != ZZCRASH_ESUCCESS) return zzcrash_try_error; \
    } while (0)
