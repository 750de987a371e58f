#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_task.h"
#include "CrashReporter/Async/zzcrash_error.h"

// How the unwinders read the task's memory (stack slots, saved registers,
// expression operands): with the kernel's checked copy, through a window of
// whole pages copied once into a buffer the caller lends. Walking a stack
// reads a few words per frame, all close together and going up, so one copy
// serves many frames instead of one kernel call per word. Without a buffer
// every read is a checked copy of its own. The window never holds a byte that
// could not be read, so a read answers exactly what a checked copy would.
struct zzcrash_async_memory_window {
    zzcrash_task_t task;
    unsigned char* buffer;  // the caller's; null: no window
    std::uint64_t capacity;
    std::uint64_t start;   // the task address of buffer[0]
    std::uint64_t length;  // bytes of the buffer that hold the task's memory
};

// Lends `buffer` (capacity bytes, null for none) as the window. Allocates nothing.
void zzcrash_async_memory_window_init(zzcrash_async_memory_window* window, zzcrash_task_t task, void* buffer,
                                      std::uint64_t capacity);
// Forgets what the window holds: the task's memory may have changed.
void zzcrash_async_memory_window_reset(zzcrash_async_memory_window* window);

// `length` bytes at address + offset, with zzcrash_async_task_copy's codes.
// Async-signal-safe.
zzcrash_error_t zzcrash_async_memory_window_copy(zzcrash_async_memory_window* window, std::uint64_t address,
                                                 std::int64_t offset, void* out, std::uint64_t length);
// One value of 1, 2, 4 or 8 bytes, zero-extended and passed through the byte order.
zzcrash_error_t zzcrash_async_memory_window_read(zzcrash_async_memory_window* window,
                                                 const zzcrash_async_byteorder* order, std::uint64_t address,
                                                 std::int64_t offset, std::uint64_t size, std::uint64_t* out);
