#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// A segment of an image mapped for one lookup, with where its bytes are in
// the file (the symbol table's offsets are file offsets).
struct zzcrash_async_macho_segment {
    zzcrash_async_mobject mobj;
    std::uint64_t fileoff;
    std::uint64_t filesize;
};

// Maps [vmaddr + slide, + vmsize), or its readable prefix, at most the
// reader's mapping limit. Error 8 when the
// image has no such segment, else the mapping's error. Async-signal-safe.
zzcrash_error_t zzcrash_async_macho_map_segment(const zzcrash_async_macho_image* image, const char* segmentName,
                                                zzcrash_async_macho_segment* segment);
void zzcrash_async_macho_segment_free(zzcrash_async_macho_segment* segment);
