#pragma once
#include <cstddef>
#include <cstdint>

namespace tessivar::testing {

// Pages in a row: one readable and filled with a known pattern, one mapped
// without any permission (a guard page), a second readable one with the
// pattern, and then a gap that is not mapped at all. The memory readers must
// tell the guard page from the gap. The gap is wide, so that the mappings the
// code under test makes go to its far end and the page after the readable one
// stays unmapped.
class GuardedPages {
public:
    GuardedPages();
    ~GuardedPages();
    GuardedPages(const GuardedPages&) = delete;
    GuardedPages& operator=(const GuardedPages&) = delete;

    std::size_t pageSize() const { return pageSize_; }
    std::uintptr_t readable() const { return base_; }
    std::uintptr_t unreadable() const { return base_ + pageSize_; }
    std::uintptr_t readableBeforeGap() const { return base_ + 2 * pageSize_; }
    std::uintptr_t unmapped() const { return base_ + 3 * pageSize_; }
    // The pattern byte at `offset` of either readable page.
    static unsigned char patternAt(std::size_t offset) { return static_cast<unsigned char>(offset * 7 + 3); }

private:
    static constexpr std::size_t gapPages = 32;
    std::size_t pageSize_;
    std::uintptr_t base_;
};

}  // namespace tessivar::testing
