#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// One object-runtime metadata section of the image being read, when mapped.
struct zzcrash_async_classmeta_section {
    bool mapped;
    zzcrash_async_mobject mobj;
};

inline constexpr std::uint32_t ZZCRASH_CLASSMETA_TABLE_SLOTS = 1024;

// The sections, by their index in the cache.
enum zzcrash_async_classmeta_section_index {
    ZZCRASH_OBJC_CONST,      // "__objc_const"
    ZZCRASH_OBJC_CONST_AX,   // "__objc_const_ax"
    ZZCRASH_OBJC_METHLIST,   // "__objc_methlist"
    ZZCRASH_OBJC_SELREFS,    // "__objc_selrefs"
    ZZCRASH_OBJC_CLASSLIST,  // "__objc_classlist"
    ZZCRASH_OBJC_CATLIST,    // "__objc_catlist"
    ZZCRASH_OBJC_DATA,       // "__objc_data"
    ZZCRASH_DATA,            // "__data"
    ZZCRASH_CLASSMETA_SECTION_COUNT,
};

// What a crash log's symbol lookups keep between frames: the metadata sections
// of the last image asked for, and a table from class data addresses to their
// read-only data, so that a class's runtime data is read from the task once.
// Used by one thread at a time.
struct zzcrash_async_classmeta_cache {
    const zzcrash_async_macho_image* image;  // whose sections are mapped; null for none
    // Set once an image's new-format metadata has been walked to its end: the
    // others then need no look for the old format's "__module_info".
    bool skip_old_format;
    zzcrash_async_classmeta_section sections[ZZCRASH_CLASSMETA_SECTION_COUNT];
    // 1024 {key, value} pairs in pages of their own, made on first use; null
    // when they could not be had (every lookup then reads the task).
    std::uint64_t* class_table;
    bool class_table_tried;
};

// All async-signal-safe: the table's pages come from mmap, not the heap.
void zzcrash_async_classmeta_cache_init(zzcrash_async_classmeta_cache* cache);
void zzcrash_async_classmeta_cache_free(zzcrash_async_classmeta_cache* cache);

// Maps the image's metadata sections unless they already are. The constant
// data, the class list and the class records are required (error 8, or the
// mapping's error, when one is missing); the rest are optional, the category
// list among them: most images have classes but no categories.
zzcrash_error_t zzcrash_async_classmeta_map_sections(zzcrash_async_classmeta_cache* cache,
                                                     const zzcrash_async_macho_image* image);

// The read-only data address stored for a class data address.
bool zzcrash_async_classmeta_cache_lookup(zzcrash_async_classmeta_cache* cache, std::uint64_t key,
                                          std::uint64_t* value);
// Stores the pair unless its slot is taken: the first writer keeps a slot.
void zzcrash_async_classmeta_cache_store(zzcrash_async_classmeta_cache* cache, std::uint64_t key, std::uint64_t value);
