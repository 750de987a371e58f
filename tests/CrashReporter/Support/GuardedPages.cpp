#include "tests/CrashReporter/Support/GuardedPages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <stdexcept>

namespace tessivar::testing {

GuardedPages::GuardedPages() : pageSize_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
    // The gap is closed by one more guard page, so that it is a gap and not
    // the open space below all mappings.
    const std::size_t total = (4 + gapPages) * pageSize_;
    void* pages = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) throw std::runtime_error("no pages for the memory tests");
    base_ = reinterpret_cast<std::uintptr_t>(pages);
    auto* bytes = static_cast<unsigned char*>(pages);
    for (std::size_t i = 0; i < pageSize_; ++i) bytes[i] = bytes[2 * pageSize_ + i] = patternAt(i);
    mprotect(bytes + pageSize_, pageSize_, PROT_NONE);
    munmap(bytes + 3 * pageSize_, gapPages * pageSize_);
    mprotect(bytes + (3 + gapPages) * pageSize_, pageSize_, PROT_NONE);
}

GuardedPages::~GuardedPages() {
    munmap(reinterpret_cast<void*>(base_), 3 * pageSize_);
    munmap(reinterpret_cast<void*>(base_ + (3 + gapPages) * pageSize_), pageSize_);
}

}  // namespace tessivar::testing
