#include "CrashReporter/Async/zzcrash_async_mobject.h"

#include <sys/mman.h>

#include "CrashReporter/Async/zzcrash_async_string.h"
#include "CrashReporter/Platform/zzcrash_memory_read.h"

namespace {

std::uint64_t pageMask() { return zzcrash_page_size() - 1; }

// Copies the pages into fresh memory; answers the bytes that arrived, whole
// pages unless the whole range did.
std::uint64_t copyPages(std::uint64_t pageStart, void* mapping, std::uint64_t mappingLength) {
    std::size_t copied = 0;
    if (zzcrash_memory_read(pageStart, mapping, mappingLength, &copied) == ZZCRASH_MEMORY_OK) return mappingLength;
    return copied & ~pageMask();
}

template <class Value>
zzcrash_error_t readValue(const zzcrash_async_mobject* object, std::uint64_t targetAddress, std::int64_t offset,
                          Value* out) {
    const void* at = zzcrash_async_mobject_local_pointer(object, targetAddress, offset, sizeof(Value));
    if (!at) return ZZCRASH_EINVAL;
    zzcrash_async_memcpy(out, at, sizeof(Value));
    return ZZCRASH_ESUCCESS;
}

template <class Value>
zzcrash_error_t readSwapped(const zzcrash_async_mobject* object, Value (*swap)(Value), std::uint64_t targetAddress,
                            std::int64_t offset, Value* out) {
    const zzcrash_error_t error = readValue(object, targetAddress, offset, out);
    if (error == ZZCRASH_ESUCCESS) *out = swap(*out);
    return error;
}

}  // namespace

zzcrash_error_t zzcrash_async_mobject_init(zzcrash_async_mobject* object, zzcrash_task_t task,
                                           std::uint64_t targetAddress, std::uint64_t length, bool requireAll) {
    const std::uint64_t pageStart = targetAddress & ~pageMask();
    std::uint64_t end = 0;
    if (length == 0 || __builtin_add_overflow(targetAddress, length, &end) || end > ~pageMask()) return ZZCRASH_ENOMEM;
    std::uint64_t mappingLength = ((end + pageMask()) & ~pageMask()) - pageStart;
    void* mapping = mmap(nullptr, mappingLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return ZZCRASH_EINTERNAL;
    const std::uint64_t readable = copyPages(pageStart, mapping, mappingLength);
    if (readable == 0 || (requireAll && readable < mappingLength)) {
        munmap(mapping, mappingLength);
        return ZZCRASH_ENOMEM;
    }
    if (readable < mappingLength) {
        munmap(static_cast<unsigned char*>(mapping) + readable, mappingLength - readable);
        mappingLength = readable;
    }
    mprotect(mapping, mappingLength, PROT_READ);
    const std::uint64_t inPage = targetAddress & pageMask();
    object->task = task;
    object->vm_address = reinterpret_cast<std::uintptr_t>(mapping);
    object->vm_length = mappingLength;
    object->address = object->vm_address + inPage;
    object->target_address = targetAddress;
    object->length = mappingLength - inPage < length ? mappingLength - inPage : length;
    object->slide = targetAddress - object->address;
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t zzcrash_async_mobject_init_in(zzcrash_async_mobject* object, zzcrash_task_t task,
                                              std::uint64_t targetAddress, std::uint64_t length, void* buffer,
                                              std::uint64_t capacity, zzcrash_async_page_cache* pages) {
    std::uint64_t end = 0;
    if (length == 0 || length > capacity || __builtin_add_overflow(targetAddress, length, &end)) return ZZCRASH_ENOMEM;
    if (zzcrash_async_page_cache_copy(pages, task, targetAddress, buffer, length) != ZZCRASH_ESUCCESS)
        return ZZCRASH_ENOMEM;
    object->task = task;
    object->vm_address = 0;
    object->vm_length = 0;
    object->address = reinterpret_cast<std::uintptr_t>(buffer);
    object->target_address = targetAddress;
    object->length = length;
    object->slide = targetAddress - object->address;
    return ZZCRASH_ESUCCESS;
}

std::uint64_t zzcrash_async_mobject_base_address(const zzcrash_async_mobject* object) { return object->target_address; }

std::uint64_t zzcrash_async_mobject_length(const zzcrash_async_mobject* object) { return object->length; }

zzcrash_task_t zzcrash_async_mobject_task(const zzcrash_async_mobject* object) { return object->task; }

bool zzcrash_async_mobject_check_range(const zzcrash_async_mobject* object, std::uintptr_t localAddress,
                                       std::int64_t offset, std::uint64_t length) {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    if (!zzcrash_async_add_offset_checked(localAddress, offset, &start) || __builtin_add_overflow(start, length, &end))
        return false;
    return start >= object->address && end <= object->address + object->length;
}

const void* zzcrash_async_mobject_local_pointer(const zzcrash_async_mobject* object, std::uint64_t targetAddress,
                                                std::int64_t offset, std::uint64_t length) {
    const std::uintptr_t local = targetAddress - object->slide;
    if (!zzcrash_async_mobject_check_range(object, local, offset, length)) return nullptr;
    return reinterpret_cast<const void*>(local + static_cast<std::uint64_t>(offset));
}

zzcrash_error_t zzcrash_async_mobject_read_uint8(const zzcrash_async_mobject* object, std::uint64_t targetAddress,
                                                 std::int64_t offset, std::uint8_t* out) {
    return readValue(object, targetAddress, offset, out);
}

zzcrash_error_t zzcrash_async_mobject_read_uint16(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint16_t* out) {
    return readSwapped(object, order->swap16, targetAddress, offset, out);
}

zzcrash_error_t zzcrash_async_mobject_read_uint32(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint32_t* out) {
    return readSwapped(object, order->swap32, targetAddress, offset, out);
}

zzcrash_error_t zzcrash_async_mobject_read_uint64(const zzcrash_async_mobject* object,
                                                  const zzcrash_async_byteorder* order, std::uint64_t targetAddress,
                                                  std::int64_t offset, std::uint64_t* out) {
    return readSwapped(object, order->swap64, targetAddress, offset, out);
}

void zzcrash_async_mobject_free(zzcrash_async_mobject* object) {
    if (object->vm_length > 0) munmap(reinterpret_cast<void*>(object->vm_address), object->vm_length);
}
