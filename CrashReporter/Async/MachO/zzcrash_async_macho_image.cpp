#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

#include <cstdlib>
#include <cstring>

#include "CrashReporter/Async/MachO/Private/zzcrash_async_macho_fields.h"
#include "CrashReporter/Async/Private/zzcrash_async_image_format_of.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

constexpr std::uint64_t commandHeaderSize = 8;

bool readMagic(zzcrash_async_macho_image* image) {
    switch (image->header.magic) {
    case ZZCRASH_MH_MAGIC:
        image->m64 = false;
        image->byteorder = &zzcrash_async_byteorder_direct;
        break;
    case ZZCRASH_MH_CIGAM:
        image->m64 = false;
        image->byteorder = &zzcrash_async_byteorder_swapped;
        break;
    case ZZCRASH_MH_MAGIC_64:
        image->m64 = true;
        image->byteorder = &zzcrash_async_byteorder_direct;
        break;
    case ZZCRASH_MH_CIGAM_64:
        image->m64 = true;
        image->byteorder = &zzcrash_async_byteorder_swapped;
        break;
    default: return false;
    }
    image->header_size = image->m64 ? 32 : 28;
    return true;
}

zzcrash_error_t readHeaderAndCommands(zzcrash_async_macho_image* image, std::uint64_t headerAddress) {
    if (zzcrash_async_task_copy(image->task, headerAddress, 0, &image->header, sizeof image->header) !=
        ZZCRASH_ESUCCESS)
        return ZZCRASH_EINTERNAL;
    if (!readMagic(image)) return ZZCRASH_EINVAL;
    image->ncmds = image->byteorder->swap32(image->header.ncmds);
    const std::uint32_t sizeofcmds = image->byteorder->swap32(image->header.sizeofcmds);
    if (sizeofcmds > ZZCRASH_MACHO_MAPPING_LIMIT) return ZZCRASH_EINVAL;
    return zzcrash_async_mobject_init(&image->load_cmds, image->task, headerAddress + image->header_size, sizeofcmds,
                                      true);
}

bool readText(zzcrash_async_macho_image* image) {
    const void* text = zzcrash_async_macho_segment_command_by_name(image, "__TEXT");
    if (!text) return false;
    const zzcrash_async_macho_segment_fields fields = zzcrash_async_macho_read_segment(image, text);
    image->text_vmaddr = fields.vmaddr;
    image->image.text_size = fields.vmsize;
    image->slide = image->image.header_address - fields.vmaddr;
    return true;
}

// Whether the command holds [command, + length) inside its own cmdsize and the mapping.
bool holds(const zzcrash_async_macho_image* image, const void* command, std::uint64_t length) {
    return zzcrash_async_macho_command_fits(image, command, commandHeaderSize) &&
           zzcrash_async_macho_field32(image, command, 4) >= length &&
           zzcrash_async_macho_command_fits(image, command, length);
}

// A command with every byte of its cmdsize in the mapping, or null.
const void* wholeCommand(const zzcrash_async_macho_image* image, std::uintptr_t at) {
    const void* command = reinterpret_cast<const void*>(at);
    if (!zzcrash_async_macho_command_fits(image, command, commandHeaderSize)) return nullptr;
    const std::uint32_t size = zzcrash_async_macho_field32(image, command, 4);
    if (size < commandHeaderSize || !zzcrash_async_macho_command_fits(image, command, size)) return nullptr;
    return command;
}

}  // namespace

const zzcrash_async_image_format zzcrash_async_macho_image_format =
    zzcrash_async_image_format_of<zzcrash_async_macho_image, zzcrash_async_macho_image_init,
                                  zzcrash_async_macho_image_free>::format;

zzcrash_error_t zzcrash_async_macho_image_init(zzcrash_async_macho_image* image, zzcrash_task_t task, const char* name,
                                               std::uint64_t headerAddress) {
    image->task = task;
    image->image.header_address = headerAddress;
    image->name = strdup(name ? name : "");
    if (!image->name) return ZZCRASH_ENOMEM;
    zzcrash_error_t error = readHeaderAndCommands(image, headerAddress);
    if (error == ZZCRASH_ESUCCESS && !readText(image)) {
        zzcrash_async_mobject_free(&image->load_cmds);
        error = ZZCRASH_EINVAL;
    }
    if (error != ZZCRASH_ESUCCESS) {
        std::free(image->name);
        image->name = nullptr;
    }
    return error;
}

void zzcrash_async_macho_image_free(zzcrash_async_macho_image* image) {
    std::free(image->name);
    image->name = nullptr;
    zzcrash_async_mobject_free(&image->load_cmds);
}

bool zzcrash_async_macho_contains_address(const zzcrash_async_macho_image* image, std::uint64_t address) {
    return address >= image->image.header_address && address - image->image.header_address < image->image.text_size;
}

const zzcrash_async_byteorder* zzcrash_async_macho_byteorder(const zzcrash_async_macho_image* image) {
    return image->byteorder;
}

const zzcrash_async_macho_header_fields* zzcrash_async_macho_header(const zzcrash_async_macho_image* image) {
    return &image->header;
}

std::uint32_t zzcrash_async_macho_cpu_type(const zzcrash_async_macho_image* image) {
    return image->byteorder->swap32(image->header.cputype);
}

std::uint32_t zzcrash_async_macho_cpu_subtype(const zzcrash_async_macho_image* image) {
    return image->byteorder->swap32(image->header.cpusubtype);
}

const void* zzcrash_async_macho_command_iterate(const zzcrash_async_macho_image* image, const void* previous) {
    if (!previous) {
        if (image->byteorder->swap32(image->header.sizeofcmds) < commandHeaderSize) return nullptr;
        return wholeCommand(image, image->load_cmds.address);
    }
    if (!zzcrash_async_macho_command_fits(image, previous, commandHeaderSize)) return nullptr;
    const std::uint32_t size = zzcrash_async_macho_field32(image, previous, 4);
    std::uintptr_t next = 0;
    if (size < commandHeaderSize || __builtin_add_overflow(reinterpret_cast<std::uintptr_t>(previous), size, &next))
        return nullptr;
    return wholeCommand(image, next);
}

std::uint32_t zzcrash_async_macho_command_type(const zzcrash_async_macho_image* image, const void* command) {
    return zzcrash_async_macho_field32(image, command, 0);
}

const void* zzcrash_async_macho_next_command_of_type(const zzcrash_async_macho_image* image, const void* previous,
                                                     std::uint32_t type) {
    for (const void* command = zzcrash_async_macho_command_iterate(image, previous); command;
         command = zzcrash_async_macho_command_iterate(image, command)) {
        if (zzcrash_async_macho_command_type(image, command) == type) return command;
    }
    return nullptr;
}

const void* zzcrash_async_macho_first_command_of_type(const zzcrash_async_macho_image* image, std::uint32_t type) {
    return zzcrash_async_macho_next_command_of_type(image, nullptr, type);
}

const void* zzcrash_async_macho_segment_command_by_name(const zzcrash_async_macho_image* image,
                                                        const char* segmentName) {
    const std::uint32_t type = image->m64 ? ZZCRASH_LC_SEGMENT_64 : ZZCRASH_LC_SEGMENT;
    const std::uint64_t fixedSize = image->m64 ? 72 : 56;
    for (const void* command = zzcrash_async_macho_first_command_of_type(image, type); command;
         command = zzcrash_async_macho_next_command_of_type(image, command, type)) {
        if (!holds(image, command, fixedSize)) continue;
        if (zzcrash_async_strncmp(static_cast<const char*>(command) + 8, segmentName, 16) == 0) return command;
    }
    return nullptr;
}

zzcrash_error_t zzcrash_async_macho_map_section(const zzcrash_async_macho_image* image, const char* segmentName,
                                                const char* sectionName, zzcrash_async_mobject* section) {
    const void* segment = zzcrash_async_macho_segment_command_by_name(image, segmentName);
    if (!segment) return ZZCRASH_ENOTFOUND;
    const std::uint32_t count = zzcrash_async_macho_read_segment(image, segment).nsects;
    const std::size_t headerSize = image->m64 ? 80 : 68;
    auto at = reinterpret_cast<std::uintptr_t>(segment) + (image->m64 ? 72 : 56);
    for (std::uint32_t i = 0; i < count; ++i, at += headerSize) {
        const void* header = reinterpret_cast<const void*>(at);
        if (!zzcrash_async_macho_command_fits(image, header, headerSize)) return ZZCRASH_EINVAL;
        if (zzcrash_async_strncmp(static_cast<const char*>(header), sectionName, 16) != 0) continue;
        const std::size_t width = image->m64 ? 8 : 4;
        const std::uint64_t address = zzcrash_async_macho_field_word(image, header, 32);
        const std::uint64_t size = zzcrash_async_macho_field_word(image, header, 32 + width);
        if (size > ZZCRASH_MACHO_MAPPING_LIMIT) return ZZCRASH_ENOMEM;
        return zzcrash_async_mobject_init(section, image->task, address + image->slide, size, true);
    }
    return ZZCRASH_ENOTFOUND;
}

bool zzcrash_async_macho_uuid(const zzcrash_async_macho_image* image, std::uint8_t uuid[16]) {
    const void* command = zzcrash_async_macho_first_command_of_type(image, ZZCRASH_LC_UUID);
    if (!command || !holds(image, command, 24)) return false;
    zzcrash_async_memcpy(uuid, static_cast<const unsigned char*>(command) + 8, 16);
    return true;
}
