#include "CrashReporter/Async/MachO/zzcrash_async_classmeta_cache.h"

#include <sys/mman.h>

#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

constexpr std::uint64_t tableBytes = ZZCRASH_CLASSMETA_TABLE_SLOTS * 2 * sizeof(std::uint64_t);

const char* const dataSegments[] = {"__DATA", "__DATA_CONST", "__DATA_DIRTY"};
const char* const dataSegment[] = {"__DATA"};
const char* const textSegment[] = {"__TEXT"};

// Maps the section from the first of the segments that has it; the last
// error when none does.
template <std::size_t N>
zzcrash_error_t mapFrom(zzcrash_async_classmeta_section* section, const zzcrash_async_macho_image* image,
                        const char* const (&segments)[N], const char* name) {
    zzcrash_error_t error = ZZCRASH_ENOTFOUND;
    for (const char* segment : segments) {
        error = zzcrash_async_macho_map_section(image, segment, name, &section->mobj);
        section->mapped = error == ZZCRASH_ESUCCESS;
        if (section->mapped) break;
    }
    return error;
}

void unmapAll(zzcrash_async_classmeta_cache* cache) {
    for (zzcrash_async_classmeta_section& section : cache->sections) {
        if (section.mapped) zzcrash_async_mobject_free(&section.mobj);
        section.mapped = false;
    }
    cache->image = nullptr;
}

zzcrash_error_t mapRequired(zzcrash_async_classmeta_cache* cache, const zzcrash_async_macho_image* image) {
    zzcrash_async_classmeta_section* sections = cache->sections;
    zzcrash_error_t error = mapFrom(&sections[ZZCRASH_OBJC_CONST], image, dataSegments, "__objc_const");
    if (error == ZZCRASH_ESUCCESS)
        error = mapFrom(&sections[ZZCRASH_OBJC_CLASSLIST], image, dataSegments, "__objc_classlist");
    if (error == ZZCRASH_ESUCCESS) error = mapFrom(&sections[ZZCRASH_OBJC_DATA], image, dataSegment, "__objc_data");
    return error;
}

void mapOptional(zzcrash_async_classmeta_cache* cache, const zzcrash_async_macho_image* image) {
    zzcrash_async_classmeta_section* sections = cache->sections;
    mapFrom(&sections[ZZCRASH_OBJC_CONST_AX], image, dataSegment, "__objc_const_ax");
    mapFrom(&sections[ZZCRASH_OBJC_METHLIST], image, textSegment, "__objc_methlist");
    mapFrom(&sections[ZZCRASH_OBJC_SELREFS], image, dataSegment, "__objc_selrefs");
    mapFrom(&sections[ZZCRASH_OBJC_CATLIST], image, dataSegments, "__objc_catlist");
    mapFrom(&sections[ZZCRASH_DATA], image, dataSegment, "__data");
}

std::uint64_t* slotOf(zzcrash_async_classmeta_cache* cache, std::uint64_t key) {
    if (!cache->class_table_tried) {
        cache->class_table_tried = true;
        void* pages = mmap(nullptr, tableBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        cache->class_table = pages == MAP_FAILED ? nullptr : static_cast<std::uint64_t*>(pages);
    }
    if (!cache->class_table) return nullptr;
    return cache->class_table + 2 * ((key / 4) % ZZCRASH_CLASSMETA_TABLE_SLOTS);
}

}  // namespace

void zzcrash_async_classmeta_cache_init(zzcrash_async_classmeta_cache* cache) {
    zzcrash_async_memset(cache, 0, sizeof *cache);
}

void zzcrash_async_classmeta_cache_free(zzcrash_async_classmeta_cache* cache) {
    unmapAll(cache);
    if (cache->class_table) munmap(cache->class_table, tableBytes);
    cache->class_table = nullptr;
}

zzcrash_error_t zzcrash_async_classmeta_map_sections(zzcrash_async_classmeta_cache* cache,
                                                     const zzcrash_async_macho_image* image) {
    if (cache->image == image) return ZZCRASH_ESUCCESS;
    unmapAll(cache);
    const zzcrash_error_t error = mapRequired(cache, image);
    if (error != ZZCRASH_ESUCCESS) {
        unmapAll(cache);
        return error;
    }
    mapOptional(cache, image);
    cache->image = image;
    return ZZCRASH_ESUCCESS;
}

bool zzcrash_async_classmeta_cache_lookup(zzcrash_async_classmeta_cache* cache, std::uint64_t key,
                                          std::uint64_t* value) {
    const std::uint64_t* slot = slotOf(cache, key);
    if (!slot || slot[0] != key || key == 0) return false;
    *value = slot[1];
    return true;
}

void zzcrash_async_classmeta_cache_store(zzcrash_async_classmeta_cache* cache, std::uint64_t key, std::uint64_t value) {
    std::uint64_t* slot = slotOf(cache, key);
    if (!slot || slot[0] != 0) return;
    slot[0] = key;
    slot[1] = value;
}
