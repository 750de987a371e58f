#pragma once
#include <cstddef>

namespace tessivar::testing {

// Proves that code allocates nothing, or measures what it asks for: while a
// trap is set, every call of the allocator from any thread (malloc, calloc,
// realloc, free, the aligned forms, and so operator new and delete, which call
// them) is counted. Link
// tessivar_allocation_trap only into a test program of its own: it replaces the
// C library's allocator entry points for the whole program.
class AllocationTrap {
public:
    AllocationTrap();
    ~AllocationTrap();
    AllocationTrap(const AllocationTrap&) = delete;
    AllocationTrap& operator=(const AllocationTrap&) = delete;

    // Calls counted since the trap was set.
    std::size_t calls() const;
    // Bytes asked for since the trap was set, all calls together (what was
    // freed meanwhile not taken off): the allocator's share of the work done.
    std::size_t bytes() const;
    // The return address of the first counted call, to look up when a test fails.
    void* firstCaller() const;
};

}  // namespace tessivar::testing
