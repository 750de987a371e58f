#pragma once
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"

namespace fuzzing {

// A fuzz input as the unwinders meet an unwind section: bytes in pages of
// their own, read through the memory object of exactly those bytes.
class UnwindSection {
public:
    UnwindSection(const std::uint8_t* data, std::size_t size) : size_(size) {
        pages_ = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages_ == MAP_FAILED) return;
        std::memcpy(pages_, data, size);
        mapped_ = zzcrash_async_mobject_init(&mobj_, ZZCRASH_TASK_SELF, address(), size, true) == ZZCRASH_ESUCCESS;
    }
    ~UnwindSection() {
        if (mapped_) zzcrash_async_mobject_free(&mobj_);
        if (pages_ != MAP_FAILED) munmap(pages_, size_);
    }
    UnwindSection(const UnwindSection&) = delete;
    UnwindSection& operator=(const UnwindSection&) = delete;

    bool mapped() const { return mapped_; }
    std::uint64_t address() const { return reinterpret_cast<std::uint64_t>(pages_); }
    const zzcrash_async_mobject* mobj() const { return &mobj_; }

private:
    std::size_t size_;
    void* pages_ = MAP_FAILED;
    bool mapped_ = false;
    zzcrash_async_mobject mobj_{};
};

// An x86-64 register state whose stack and frame pointers point into a stack
// of the caller's, every other register holding a value from the input.
inline void fuzzedState(zzcrash_async_thread_state* state, std::uint64_t* stack, std::size_t words,
                        std::uint64_t seed) {
    zzcrash_async_thread_state_init(state, ZZCRASH_CPU_TYPE_X86_64);
    for (std::uint32_t index = 0; index < ZZCRASH_X86_64_REGISTER_COUNT; ++index)
        zzcrash_async_thread_state_set_reg(state, index, seed * (index + 1));
    zzcrash_async_thread_state_set_reg(state, ZZCRASH_X86_64_RSP, reinterpret_cast<std::uint64_t>(stack));
    zzcrash_async_thread_state_set_reg(state, ZZCRASH_X86_64_RBP, reinterpret_cast<std::uint64_t>(stack + words / 2));
    for (std::size_t i = 0; i < words; ++i) stack[i] = seed + i;
}

}  // namespace fuzzing
