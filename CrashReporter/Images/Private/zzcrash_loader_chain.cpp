#include "CrashReporter/Images/Private/zzcrash_loader_chain.h"

#include <link.h>
#include <sys/auxv.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"

namespace {

constexpr std::size_t lateImageCapacity = 32;
constexpr std::size_t chainCapacity = 1024;
constexpr std::size_t pageSize = 4096;

// A record for an image first seen at crash time, with room for its path.
struct LateImage {
    zzcrash_async_elf_image record;
    char name[512];
};

// Static: the crash path allocates nothing. Only the thread that owns the
// report walks the chain, one crash at a time.
LateImage lateImages[lateImageCapacity];
std::atomic<std::size_t> lateImagesUsed{0};
// What one walk of the chains found, for the list to be brought up to date
// from without reading the chains a second time.
struct ChainObject {
    std::uint64_t bias;
    std::uint64_t name;  // the address of its path in the loader's memory
};
ChainObject chainObjects[chainCapacity];
std::atomic<zzcrash_async_image_list*> preparedList{nullptr};
std::atomic<std::uint64_t> chainHead{0};

// The extended header the loader has kept since version 2, one per
// namespace: objects opened into another namespace are in another chain.
struct Namespace {
    r_debug chain;
    std::uint64_t next;
};

template <class Value>
bool readAt(std::uint64_t address, Value* out) {
    return zzcrash_async_task_copy(ZZCRASH_TASK_SELF, address, 0, out, sizeof *out) == ZZCRASH_ESUCCESS;
}

// A path in the loader's memory, cut to fit, read a page at a time: one read
// that crossed into an unmapped page would fail as a whole.
bool readName(std::uint64_t address, char* out, std::size_t capacity) {
    std::size_t length = 0;
    while (length + 1 < capacity) {
        const std::uint64_t at = address + length;
        const std::size_t chunk = std::min<std::size_t>(pageSize - at % pageSize, capacity - 1 - length);
        if (zzcrash_async_task_copy(ZZCRASH_TASK_SELF, at, 0, out + length, chunk) != ZZCRASH_ESUCCESS) return false;
        const void* end = std::memchr(out + length, '\0', chunk);
        if (end) return true;
        length += chunk;
    }
    out[length] = '\0';
    return true;
}

// Calls `visit` with each object of every namespace's chain; false when a
// chain is changing, or cannot be read to its end within the capacity.
template <class Visit>
bool eachLoadedObject(std::uint64_t head, Visit&& visit) {
    std::size_t seen = 0;
    for (std::uint64_t at = head; at;) {
        Namespace space{};
        if (!readAt(at, &space.chain) || space.chain.r_state != r_debug::RT_CONSISTENT) return false;
        for (auto object = reinterpret_cast<std::uint64_t>(space.chain.r_map); object; ++seen) {
            link_map entry{};
            if (seen == chainCapacity || !readAt(object, &entry)) return false;
            visit(entry);
            object = reinterpret_cast<std::uint64_t>(entry.l_next);
        }
        if (space.chain.r_version < 2) return true;
        if (!readAt(at + offsetof(Namespace, next), &space.next)) return false;
        at = space.next;
    }
    return true;
}

bool inChains(std::uint64_t bias, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (chainObjects[i].bias == bias) return true;
    }
    return false;
}

const zzcrash_async_elf_image* listedWithBias(zzcrash_async_image_list* list, std::uint64_t bias) {
    for (auto* image = zzcrash_async_image_list_next(list, nullptr); image;
         image = zzcrash_async_image_list_next(list, image)) {
        const auto* elf = reinterpret_cast<const zzcrash_async_elf_image*>(image);
        if (elf->bias == bias) return elf;
    }
    return nullptr;
}

void dropUnloaded(zzcrash_async_image_list* list, std::size_t count) {
    for (auto* image = zzcrash_async_image_list_next(list, nullptr); image;) {
        auto* next = zzcrash_async_image_list_next(list, image);
        const auto* elf = reinterpret_cast<const zzcrash_async_elf_image*>(image);
        if (!inChains(elf->bias, count) && !zzcrash_async_image_list_try_remove(list, image->header_address)) return;
        image = next;
    }
}

// A shared object's ELF header is where the loader placed it: its bias, as
// it links its first segment at 0. The program (no name) was listed at enable.
void adopt(zzcrash_async_image_list* list, const ChainObject& object) {
    const std::size_t slot = lateImagesUsed.load(std::memory_order_relaxed);
    if (slot == lateImageCapacity) return;
    LateImage* late = &lateImages[slot];
    if (!readName(object.name, late->name, sizeof late->name) || !late->name[0]) return;
    if (zzcrash_async_elf_image_read(&late->record, ZZCRASH_TASK_SELF, object.bias) != ZZCRASH_ESUCCESS ||
        late->record.bias != object.bias)
        return;
    late->record.name = late->name;
    if (zzcrash_async_image_list_adopt(list, &late->record.image))
        lateImagesUsed.store(slot + 1, std::memory_order_relaxed);
}

// The loader's own record, as it gave it to the program in DT_DEBUG: a
// program that refers to _r_debug may hold a copy of it made at startup,
// which the loader never updates.
std::uint64_t loaderRecord() {
    const auto* headers = reinterpret_cast<const ElfW(Phdr)*>(getauxval(AT_PHDR));
    const auto count = getauxval(AT_PHNUM);
    std::uint64_t bias = 0;
    const ElfW(Dyn)* dynamic = nullptr;
    for (std::uint64_t i = 0; headers && i < count; ++i) {
        if (headers[i].p_type == PT_PHDR) bias = reinterpret_cast<std::uint64_t>(headers) - headers[i].p_vaddr;
    }
    for (std::uint64_t i = 0; headers && i < count; ++i) {
        if (headers[i].p_type == PT_DYNAMIC) dynamic = reinterpret_cast<const ElfW(Dyn)*>(bias + headers[i].p_vaddr);
    }
    for (; dynamic && dynamic->d_tag != DT_NULL; ++dynamic) {
        if (dynamic->d_tag == DT_DEBUG && dynamic->d_un.d_ptr) return dynamic->d_un.d_ptr;
    }
    return reinterpret_cast<std::uint64_t>(&_r_debug);
}

}  // namespace

void zzcrash_loader_chain_prepare(zzcrash_async_image_list* list) {
    zzcrash_async_image_list_reserve(list, lateImageCapacity);
    chainHead.store(loaderRecord(), std::memory_order_relaxed);
    preparedList.store(list, std::memory_order_release);
}

void zzcrash_loader_chain_refresh(zzcrash_async_image_list* list) {
    if (!list || list != preparedList.load(std::memory_order_acquire)) return;
    const std::uint64_t head = chainHead.load(std::memory_order_relaxed);
    std::size_t count = 0;
    zzcrash_async_image_list_mark_reading(list, true);
    const bool read = eachLoadedObject(head, [&count](const link_map& entry) {
        chainObjects[count++] = {entry.l_addr, reinterpret_cast<std::uint64_t>(entry.l_name)};
    });
    if (read) {
        dropUnloaded(list, count);
        for (std::size_t i = 0; i < count; ++i) {
            if (!listedWithBias(list, chainObjects[i].bias)) adopt(list, chainObjects[i]);
        }
    }
    zzcrash_async_image_list_mark_reading(list, false);
}
