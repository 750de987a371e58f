#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_image_list.h"

// The image list's entry for a record type whose first member is a
// zzcrash_async_image: its size and its init and free, called on the record.
template <class Record, zzcrash_error_t (*Init)(Record*, zzcrash_task_t, const char*, std::uint64_t),
          void (*Free)(Record*)>
struct zzcrash_async_image_format_of {
    static zzcrash_error_t init(zzcrash_async_image* image, zzcrash_task_t task, const char* name,
                                std::uint64_t header) {
        return Init(reinterpret_cast<Record*>(image), task, name, header);
    }
    static void free(zzcrash_async_image* image) { Free(reinterpret_cast<Record*>(image)); }
    static constexpr zzcrash_async_image_format format{sizeof(Record), init, free};
};
