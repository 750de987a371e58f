#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_error.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"

// The process whose memory the crash-time readers copy from. They only ever
// read the process they run in, so there is one.
enum zzcrash_task_t : int { ZZCRASH_TASK_SELF = 0 };

// base + offset into `out` (when given); false when the sum would pass the top
// of the 64-bit range (positive offset) or go below 0 (negative offset).
bool zzcrash_async_add_offset_checked(std::uint64_t base, std::int64_t offset, std::uint64_t* out);

// The calling thread.
zzcrash_thread_t zzcrash_async_current_thread_port();

// Copies `length` bytes at address + offset of the task into `destination`
// with the kernel's checked read: an address overflow is error 3, an unmapped
// byte error 8, an unreadable one error 7, any other refusal error 1. A bad
// address is a code, never a fault.
zzcrash_error_t zzcrash_async_task_copy(zzcrash_task_t task, std::uint64_t address, std::int64_t offset,
                                        void* destination, std::uint64_t length);

// Checked copies of one value, passed through the byte order. The value is
// swapped even when the copy failed: callers look at the code only.
zzcrash_error_t zzcrash_async_task_read_uint8(zzcrash_task_t task, std::uint64_t address, std::int64_t offset,
                                              std::uint8_t* out);
zzcrash_error_t zzcrash_async_task_read_uint16(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint16_t* out);
zzcrash_error_t zzcrash_async_task_read_uint32(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint32_t* out);
zzcrash_error_t zzcrash_async_task_read_uint64(zzcrash_task_t task, const zzcrash_async_byteorder* order,
                                               std::uint64_t address, std::int64_t offset, std::uint64_t* out);
