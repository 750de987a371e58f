#include "CrashReporter/Async/MachO/zzcrash_async_macho_lazy_string.h"

namespace {

constexpr std::uint64_t pageBytes = 4096;

const char* byteAt(const zzcrash_async_macho_lazy_string* string, std::uint64_t index) {
    return static_cast<const char*>(
        zzcrash_async_mobject_local_pointer(&string->mobj, string->address, static_cast<std::int64_t>(index), 1));
}

// Maps [address, + pages × 4096) again, one page longer than before.
zzcrash_error_t remap(zzcrash_async_macho_lazy_string* string, std::uint64_t pages) {
    zzcrash_async_mobject_free(&string->mobj);
    return zzcrash_async_mobject_init(&string->mobj, string->image->task, string->address, pages * pageBytes, false);
}

zzcrash_error_t zzcrash_async_macho_lazy_string_map(zzcrash_async_macho_lazy_string* string) {
    if (string->mapped) return ZZCRASH_ESUCCESS;
    zzcrash_error_t error =
        zzcrash_async_mobject_init(&string->mobj, string->image->task, string->address, pageBytes, false);
    if (error != ZZCRASH_ESUCCESS) return error;
    std::uint64_t pages = 1;
    for (std::uint64_t index = 0;; ++index) {
        const char* at = byteAt(string, index);
        if (!at && index >= ZZCRASH_MACHO_LAZY_STRING_LIMIT) {
            zzcrash_async_mobject_free(&string->mobj);
            return ZZCRASH_EINVAL;
        }
        if (!at) {
            error = remap(string, ++pages);
            if (error != ZZCRASH_ESUCCESS) return error;
            at = byteAt(string, index);
        }
        if (!at) {
            zzcrash_async_mobject_free(&string->mobj);
            return ZZCRASH_EINVAL;
        }
        if (*at == '\0') {
            string->length = index;
            string->mapped = true;
            return ZZCRASH_ESUCCESS;
        }
    }
}

}  // namespace

void zzcrash_async_macho_lazy_string_init(zzcrash_async_macho_lazy_string* string,
                                          const zzcrash_async_macho_image* image, std::uint64_t address) {
    string->image = image;
    string->address = address;
    string->length = 0;
    string->mapped = false;
}

zzcrash_error_t zzcrash_async_macho_lazy_string_get_length(zzcrash_async_macho_lazy_string* string,
                                                           std::uint64_t* length) {
    const zzcrash_error_t error = zzcrash_async_macho_lazy_string_map(string);
    if (error == ZZCRASH_ESUCCESS) *length = string->length;
    return error;
}

zzcrash_error_t zzcrash_async_macho_lazy_string_get_pointer(zzcrash_async_macho_lazy_string* string,
                                                            const char** pointer) {
    const zzcrash_error_t error = zzcrash_async_macho_lazy_string_map(string);
    if (error != ZZCRASH_ESUCCESS) return error;
    *pointer = static_cast<const char*>(
        zzcrash_async_mobject_local_pointer(&string->mobj, string->address, 0, string->length + 1));
    return *pointer ? ZZCRASH_ESUCCESS : ZZCRASH_EACCESS;
}

void zzcrash_async_macho_lazy_string_free(zzcrash_async_macho_lazy_string* string) {
    if (string->mapped) zzcrash_async_mobject_free(&string->mobj);
    string->mapped = false;
}
