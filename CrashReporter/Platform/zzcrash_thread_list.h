#pragma once
#include <sys/types.h>

#include <cstdint>

// A thread of this process, by its kernel thread id.
using zzcrash_thread_t = pid_t;

inline constexpr std::uint32_t ZZCRASH_THREAD_LIST_CAPACITY = 1024;

// The threads of this process as /proc/self/task lists them, in its order. A
// fixed array, so that a crash handler can fill one without allocating.
struct zzcrash_thread_list {
    std::uint32_t count;
    bool complete;  // false when more threads ran than the list holds
    zzcrash_thread_t threads[ZZCRASH_THREAD_LIST_CAPACITY];
};

// Fills `list`; false when /proc/self/task cannot be read. Async-signal-safe:
// the directory is read with open and getdents64 into a stack buffer, because
// opendir allocates.
bool zzcrash_thread_list_read(zzcrash_thread_list* list);

// The calling thread. Async-signal-safe.
zzcrash_thread_t zzcrash_thread_self();
