#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_leb128.h"
#include "CrashReporter/Async/Private/zzcrash_async_sized_value.h"

namespace {

using zzcrash::ZZ::async::leb128_decode;

// A position that must not wrap: the reads below go byte by byte from it.
bool startOf(std::uint64_t address, std::uint64_t offset, std::uint64_t* start) {
    return !__builtin_add_overflow(address, offset, start);
}

zzcrash_error_t readObject(const zzcrash_async_mobject* mobj, std::uint64_t address, std::uint64_t offset,
                           bool isSigned, std::uint64_t* result, std::uint64_t* size) {
    std::uint64_t at = 0;
    if (!startOf(address, offset, &at)) return ZZCRASH_EINVAL;
    const auto next = [mobj, &at](std::uint8_t* byte) { return zzcrash_async_mobject_read_uint8(mobj, at++, 0, byte); };
    return leb128_decode(next, isSigned, result, size);
}

zzcrash_error_t readTask(zzcrash_async_memory_window* memory, std::uint64_t address, std::uint64_t offset,
                         bool isSigned, std::uint64_t* result, std::uint64_t* size) {
    std::uint64_t at = 0;
    if (!startOf(address, offset, &at)) return ZZCRASH_EINVAL;
    const auto next = [memory, &at](std::uint8_t* byte) {
        return zzcrash_async_memory_window_copy(memory, at++, 0, byte, 1);
    };
    return leb128_decode(next, isSigned, result, size);
}

}  // namespace

zzcrash_error_t zzcrash_async_dwarf_read_uleb128(const zzcrash_async_mobject* mobj, std::uint64_t address,
                                                 std::uint64_t offset, std::uint64_t* result, std::uint64_t* size) {
    return readObject(mobj, address, offset, false, result, size);
}

zzcrash_error_t zzcrash_async_dwarf_read_sleb128(const zzcrash_async_mobject* mobj, std::uint64_t address,
                                                 std::uint64_t offset, std::int64_t* result, std::uint64_t* size) {
    std::uint64_t bits = 0;
    const zzcrash_error_t error = readObject(mobj, address, offset, true, &bits, size);
    if (error == ZZCRASH_ESUCCESS) *result = static_cast<std::int64_t>(bits);
    return error;
}

zzcrash_error_t zzcrash_async_dwarf_read_task_uleb128(zzcrash_async_memory_window* memory, std::uint64_t address,
                                                      std::uint64_t offset, std::uint64_t* result,
                                                      std::uint64_t* size) {
    return readTask(memory, address, offset, false, result, size);
}

zzcrash_error_t zzcrash_async_dwarf_read_task_sleb128(zzcrash_async_memory_window* memory, std::uint64_t address,
                                                      std::uint64_t offset, std::int64_t* result, std::uint64_t* size) {
    std::uint64_t bits = 0;
    const zzcrash_error_t error = readTask(memory, address, offset, true, &bits, size);
    if (error == ZZCRASH_ESUCCESS) *result = static_cast<std::int64_t>(bits);
    return error;
}

zzcrash_error_t zzcrash_async_dwarf_read_sized(const zzcrash_async_mobject* mobj,
                                               const zzcrash_async_byteorder* byteorder, std::uint64_t address,
                                               std::uint64_t offset, std::uint64_t size, std::uint64_t* result) {
    std::uint64_t at = 0;
    if (!zzcrash::ZZ::async::is_value_size(size) || !startOf(address, offset, &at)) return ZZCRASH_EINVAL;
    const void* bytes = zzcrash_async_mobject_local_pointer(mobj, at, 0, size);
    if (!bytes) return ZZCRASH_EINVAL;
    *result = zzcrash::ZZ::async::sized_value(byteorder, bytes, size);
    return ZZCRASH_ESUCCESS;
}
