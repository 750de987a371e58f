#include "CrashReporter/Async/zzcrash_async_memory_window.h"

#include "CrashReporter/Async/Private/zzcrash_async_sized_value.h"
#include "CrashReporter/Async/zzcrash_async_string.h"
#include "CrashReporter/Platform/zzcrash_memory_read.h"

namespace {

bool holds(const zzcrash_async_memory_window* window, std::uint64_t address, std::uint64_t length) {
    return address >= window->start && address - window->start <= window->length &&
           length <= window->length - (address - window->start);
}

// Copies whole pages from the one holding `address`, as many as the buffer
// takes and can be read; a range that would wrap is cut at the top.
void refill(zzcrash_async_memory_window* window, std::uint64_t address) {
    const std::uint64_t pageMask = zzcrash_page_size() - 1;
    const std::uint64_t start = address & ~pageMask;
    std::uint64_t length = window->capacity & ~pageMask;
    if (length > ~start) length = (~start + 1) & ~pageMask;
    window->start = start;
    window->length = length > 0 ? zzcrash_memory_read_prefix(start, window->buffer, length) : 0;
}

}  // namespace

void zzcrash_async_memory_window_init(zzcrash_async_memory_window* window, zzcrash_task_t task, void* buffer,
                                      std::uint64_t capacity) {
    window->task = task;
    window->buffer = static_cast<unsigned char*>(buffer);
    window->capacity = buffer ? capacity : 0;
    zzcrash_async_memory_window_reset(window);
}

void zzcrash_async_memory_window_reset(zzcrash_async_memory_window* window) {
    window->start = 0;
    window->length = 0;
}

zzcrash_error_t zzcrash_async_memory_window_copy(zzcrash_async_memory_window* window, std::uint64_t address,
                                                 std::int64_t offset, void* out, std::uint64_t length) {
    std::uint64_t at = 0;
    if (!zzcrash_async_add_offset_checked(address, offset, &at)) return ZZCRASH_ENOMEM;
    if (window->capacity > 0 && !holds(window, at, length)) refill(window, at);
    if (!holds(window, at, length)) return zzcrash_async_task_copy(window->task, at, 0, out, length);
    zzcrash_async_memcpy(out, window->buffer + (at - window->start), length);
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t zzcrash_async_memory_window_read(zzcrash_async_memory_window* window,
                                                 const zzcrash_async_byteorder* order, std::uint64_t address,
                                                 std::int64_t offset, std::uint64_t size, std::uint64_t* out) {
    if (!zzcrash::ZZ::async::is_value_size(size)) return ZZCRASH_EINVAL;
    std::uint64_t at = 0;
    if (zzcrash_async_add_offset_checked(address, offset, &at) && holds(window, at, size)) {
        *out = zzcrash::ZZ::async::sized_value(order, window->buffer + (at - window->start), size);
        return ZZCRASH_ESUCCESS;
    }
    std::uint8_t bytes[8] = {};
    const zzcrash_error_t error = zzcrash_async_memory_window_copy(window, address, offset, bytes, size);
    if (error == ZZCRASH_ESUCCESS) *out = zzcrash::ZZ::async::sized_value(order, bytes, size);
    return error;
}
