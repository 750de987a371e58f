#include "CrashReporter/Async/MachO/Private/zzcrash_async_macho_fields.h"

#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

const unsigned char* bytesAt(const void* at, std::size_t offset) {
    return static_cast<const unsigned char*>(at) + offset;
}

}  // namespace

std::uint32_t zzcrash_async_macho_field32(const zzcrash_async_macho_image* image, const void* at, std::size_t offset) {
    std::uint32_t value = 0;
    zzcrash_async_memcpy(&value, bytesAt(at, offset), sizeof value);
    return image->byteorder->swap32(value);
}

std::uint64_t zzcrash_async_macho_field64(const zzcrash_async_macho_image* image, const void* at, std::size_t offset) {
    std::uint64_t value = 0;
    zzcrash_async_memcpy(&value, bytesAt(at, offset), sizeof value);
    return image->byteorder->swap64(value);
}

std::uint64_t zzcrash_async_macho_field_word(const zzcrash_async_macho_image* image, const void* at,
                                             std::size_t offset) {
    return image->m64 ? zzcrash_async_macho_field64(image, at, offset) : zzcrash_async_macho_field32(image, at, offset);
}

bool zzcrash_async_macho_command_fits(const zzcrash_async_macho_image* image, const void* command,
                                      std::uint64_t length) {
    return zzcrash_async_mobject_check_range(&image->load_cmds, reinterpret_cast<std::uintptr_t>(command), 0, length);
}

// 64-bit: vmaddr 24, vmsize 32, fileoff 40, filesize 48, nsects 64;
// 32-bit: vmaddr 24, vmsize 28, fileoff 32, filesize 36, nsects 48.
zzcrash_async_macho_segment_fields zzcrash_async_macho_read_segment(const zzcrash_async_macho_image* image,
                                                                    const void* command) {
    const std::size_t width = image->m64 ? 8 : 4;
    zzcrash_async_macho_segment_fields fields{};
    fields.vmaddr = zzcrash_async_macho_field_word(image, command, 24);
    fields.vmsize = zzcrash_async_macho_field_word(image, command, 24 + width);
    fields.fileoff = zzcrash_async_macho_field_word(image, command, 24 + 2 * width);
    fields.filesize = zzcrash_async_macho_field_word(image, command, 24 + 3 * width);
    fields.nsects = zzcrash_async_macho_field32(image, command, image->m64 ? 64 : 48);
    return fields;
}
