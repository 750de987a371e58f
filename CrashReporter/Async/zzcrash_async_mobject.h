#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_page_cache.h"
#include "CrashReporter/Async/zzcrash_async_task.h"
#include "CrashReporter/Async/zzcrash_error.h"

// A read-only snapshot of a range of a task's memory, so that parsers read
// many values through bounds checks instead of one kernel copy each: the range
// is copied with the checked read into fresh pages, which are then made
// read-only. A byte outside the snapshot is an error code, never a fault.
struct zzcrash_async_mobject {
    zzcrash_task_t task;
    std::uintptr_t address;        // the local address of the target address
    std::uint64_t target_address;  // the start of the requested range in the task
    std::uint64_t length;          // usable bytes from the target address
    std::uint64_t slide;           // target address - local address (modulo 2^64)
    std::uintptr_t vm_address;     // the page-aligned local mapping
    std::uint64_t vm_length;
};

// Snapshots [targetAddress, + length). With `requireAll` the whole range must
// be readable (else error 3); without it the object covers the readable
// prefix in whole pages and may be shorter than asked. Error 3 also for an
// empty or overflowing range, error 6 when no local memory can be had.
zzcrash_error_t zzcrash_async_mobject_init(zzcrash_async_mobject* object, zzcrash_task_t task,
                                           std::uint64_t targetAddress, std::uint64_t length, bool requireAll);
// The same snapshot of the whole range, copied into `buffer` (`capacity`
// bytes, which must outlive the object) instead of fresh pages: no mapping is
// made, for the few bytes one unwind step reads. A range of an image's
// read-only data may be copied through `pages` (null: a checked copy of its
// own). Error 3 when the range is empty, larger than the buffer or not
// readable whole. Async-signal-safe.
zzcrash_error_t zzcrash_async_mobject_init_in(zzcrash_async_mobject* object, zzcrash_task_t task,
                                              std::uint64_t targetAddress, std::uint64_t length, void* buffer,
                                              std::uint64_t capacity, zzcrash_async_page_cache* pages);
std::uint64_t zzcrash_async_mobject_base_address(const zzcrash_async_mobject* object);
std::uint64_t zzcrash_async_mobject_length(const zzcrash_async_mobject* object);
zzcrash_task_t zzcrash_async_mobject_task(const zzcrash_async_mobject* object);

// Whether [localAddress + offset, + length) lies inside the object, with no
// step of the sum overflowing or going below 0.
bool zzcrash_async_mobject_check_range(const zzcrash_async_mobject* object, std::uintptr_t localAddress,
                                       std::int64_t offset, std::uint64_t length);
// The local pointer of targetAddress + offset when `length` bytes from there
// lie inside the object; null otherwise.
const void* zzcrash_async_mobject_local_pointer(const zzcrash_async_mobject* object, std::uint64_t targetAddress,
                                                std::int64_t offset, std::uint64_t length);

// Range-checked reads of one value (error 5 when out of range), passed
// through the byte order.
zzcrash_error_t zzcrash_async_mobject_read_uint8(const zzcrash_async_mobject* object, std::uint64_t targetAddress,
                                                 std::int64_t offset, std::uint8_t* out);
zzcrash_error_t zzcrash_async_mobject_read_uint16(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint16_t* out);
zzcrash_error_t zzcrash_async_mobject_read_uint32(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint32_t* out);
zzcrash_error_t zzcrash_async_mobject_read_uint64(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint64_t* out);

// Releases the snapshot (nothing for one in a lent buffer).
void zzcrash_async_mobject_free(zzcrash_async_mobject* object);
