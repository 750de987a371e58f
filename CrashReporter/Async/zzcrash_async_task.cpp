#include "CrashReporter/Async/zzcrash_async_task.h"

#include "CrashReporter/Platform/zzcrash_memory_read.h"

namespace {

zzcrash_error_t errorOf(zzcrash_memory_status status) {
    switch (status) {
    case ZZCRASH_MEMORY_OK: return ZZCRASH_ESUCCESS;
    case ZZCRASH_MEMORY_UNMAPPED: return ZZCRASH_ENOTFOUND;
    case ZZCRASH_MEMORY_UNREADABLE: return ZZCRASH_EACCESS;
    case ZZCRASH_MEMORY_FAILED: break;
    }
    return ZZCRASH_EUNKNOWN;
}

template <class Value>
zzcrash_error_t readSwapped(zzcrash_task_t task, std::uint64_t address, std::int64_t offset, Value* out,
                            Value (*swap)(Value)) {
    const zzcrash_error_t error = zzcrash_async_task_copy(task, address, offset, out, sizeof *out);
    *out = swap(*out);
    return error;
}

}  // namespace

bool zzcrash_async_add_offset_checked(std::uint64_t base, std::int64_t offset, std::uint64_t* out) {
    std::uint64_t sum = 0;
    if (offset >= 0 && __builtin_add_overflow(base, static_cast<std::uint64_t>(offset), &sum)) return false;
    if (offset < 0 && __builtin_sub_overflow(base, 0 - static_cast<std::uint64_t>(offset), &sum)) return false;
    if (out) *out = sum;
    return true;
}

zzcrash_thread_t zzcrash_async_current_thread_port() { return zzcrash_thread_self(); }

// A range that would run past the top of the address space is refused before
// the kernel is asked: no page walk may wrap around to address 0.
zzcrash_error_t zzcrash_async_task_copy(zzcrash_task_t, std::uint64_t address, std::int64_t offset, void* destination,
                                        std::uint64_t length) {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    if (!zzcrash_async_add_offset_checked(address, offset, &start) || __builtin_add_overflow(start, length, &end))
        return ZZCRASH_ENOMEM;
    return errorOf(zzcrash_memory_read(start, destination, length, nullptr));
}

zzcrash_error_t zzcrash_async_task_read_uint8(zzcrash_task_t task, std::uint64_t address, std::int64_t offset,
                                              std::uint8_t* out) {
    return zzcrash_async_task_copy(task, address, offset, out, sizeof *out);
}

zzcrash_error_t zzcrash_async_task_read_uint16(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint16_t* out) {
    return readSwapped(task, address, offset, out, order->swap16);
}

zzcrash_error_t zzcrash_async_task_read_uint32(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint32_t* out) {
    return readSwapped(task, address, offset, out, order->swap32);
}

zzcrash_error_t zzcrash_async_task_read_uint64(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint64_t* out) {
    return readSwapped(task, address, offset, out, order->swap64);
}
