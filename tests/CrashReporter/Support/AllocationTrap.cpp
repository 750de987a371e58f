#include "tests/CrashReporter/Support/AllocationTrap.h"

#include <atomic>
#include <cerrno>

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_calloc(std::size_t count, std::size_t size);
void* __libc_realloc(void* pointer, std::size_t size);
void __libc_free(void* pointer);
void* __libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<bool> armed{false};
std::atomic<std::size_t> counted{0};
std::atomic<std::size_t> askedFor{0};
std::atomic<void*> firstCall{nullptr};

void note(void* caller, std::size_t bytes = 0) {
    if (!armed.load(std::memory_order_relaxed)) return;
    askedFor.fetch_add(bytes);
    if (counted.fetch_add(1) == 0) firstCall.store(caller);
}

}  // namespace

extern "C" {

void* malloc(std::size_t size) {
    note(__builtin_return_address(0), size);
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) {
    note(__builtin_return_address(0), count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) {
    note(__builtin_return_address(0), size);
    return __libc_realloc(pointer, size);
}

void free(void* pointer) {
    if (pointer) note(__builtin_return_address(0));
    __libc_free(pointer);
}

void* memalign(std::size_t alignment, std::size_t size) {
    note(__builtin_return_address(0), size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    note(__builtin_return_address(0), size);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    note(__builtin_return_address(0), size);
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer) return ENOMEM;
    *out = pointer;
    return 0;
}

}  // extern "C"

namespace tessivar::testing {

AllocationTrap::AllocationTrap() {
    counted.store(0);
    askedFor.store(0);
    firstCall.store(nullptr);
    armed.store(true);
}

AllocationTrap::~AllocationTrap() { armed.store(false); }

std::size_t AllocationTrap::calls() const { return counted.load(); }

std::size_t AllocationTrap::bytes() const { return askedFor.load(); }

void* AllocationTrap::firstCaller() const { return firstCall.load(); }

}  // namespace tessivar::testing
