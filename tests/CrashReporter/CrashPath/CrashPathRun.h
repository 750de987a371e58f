#pragma once
#include <ucontext.h>

#include <cstddef>

#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace tessivar::testing {

// The alternate signal stack the crash path is promised to run on.
inline constexpr std::size_t signalStackBytes = 48 * 1024;

// What the crash-time operations work on, made before the "crash": pages to
// copy from, an image list to walk and a descriptor to write to.
class CrashPathInputs {
public:
    CrashPathInputs();
    ~CrashPathInputs();
    CrashPathInputs(const CrashPathInputs&) = delete;
    CrashPathInputs& operator=(const CrashPathInputs&) = delete;

    const GuardedPages& pages() const { return pages_; }
    zzcrash_async_image_list* images() { return &images_; }
    int output() const { return output_; }

private:
    GuardedPages pages_;
    zzcrash_async_image_list images_{};
    int output_;
};

// Runs every crash-time operation a crash log needs, as a crash handler would
// (stopping the other threads, reading their registers, capturing its own,
// copying and mapping memory, walking the images, writing a file, naming the
// signal), and answers a bit per operation whose result was not the expected
// one; 0 when all were. `context` is the signal's, or null.
unsigned runCrashPath(CrashPathInputs& inputs, const ucontext_t* context);

}  // namespace tessivar::testing
