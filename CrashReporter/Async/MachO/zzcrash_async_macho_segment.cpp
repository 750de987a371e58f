#include "CrashReporter/Async/MachO/zzcrash_async_macho_segment.h"

#include "CrashReporter/Async/MachO/Private/zzcrash_async_macho_fields.h"

zzcrash_error_t zzcrash_async_macho_map_segment(const zzcrash_async_macho_image* image, const char* segmentName,
                                                zzcrash_async_macho_segment* segment) {
    const void* command = zzcrash_async_macho_segment_command_by_name(image, segmentName);
    if (!command) return ZZCRASH_ENOTFOUND;
    const zzcrash_async_macho_segment_fields fields = zzcrash_async_macho_read_segment(image, command);
    const std::uint64_t length =
        fields.vmsize < ZZCRASH_MACHO_MAPPING_LIMIT ? fields.vmsize : ZZCRASH_MACHO_MAPPING_LIMIT;
    const zzcrash_error_t error =
        zzcrash_async_mobject_init(&segment->mobj, image->task, fields.vmaddr + image->slide, length, false);
    if (error != ZZCRASH_ESUCCESS) return error;
    segment->fileoff = fields.fileoff;
    segment->filesize = fields.filesize;
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_macho_segment_free(zzcrash_async_macho_segment* segment) {
    zzcrash_async_mobject_free(&segment->mobj);
}
