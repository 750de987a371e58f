#include "CrashReporter/Async/MachO/zzcrash_async_macho_symtab_reader.h"

#include "CrashReporter/Async/MachO/Private/zzcrash_async_macho_fields.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

constexpr std::uint16_t thumbDefinition = 0x0008;
constexpr std::uint64_t symtabCommandSize = 24;
constexpr std::uint64_t dysymtabCommandSize = 80;

std::uint64_t entrySize(const zzcrash_async_macho_image* image) { return image->m64 ? 16 : 12; }

// The local pointer of `length` bytes at `fileOffset` in __LINKEDIT; null when
// they are not all in its mapping.
const void* linkeditPointer(const zzcrash_async_macho_symtab_reader* reader, std::uint64_t fileOffset,
                            std::uint64_t length) {
    const zzcrash_async_mobject* mapping = &reader->linkedit.mobj;
    if (fileOffset < reader->linkedit.fileoff || fileOffset - reader->linkedit.fileoff > mapping->length)
        return nullptr;
    const auto offset = static_cast<std::int64_t>(fileOffset - reader->linkedit.fileoff);
    return zzcrash_async_mobject_local_pointer(mapping, mapping->target_address, offset, length);
}

const void* entryAt(const zzcrash_async_macho_symtab_reader* reader, const void* table, std::uint64_t index) {
    return static_cast<const unsigned char*>(table) + index * entrySize(reader->image);
}

// Both runs must lie inside the table; the sums are taken in 64 bits, so that
// a huge start cannot wrap around to a small one.
zzcrash_error_t readRuns(zzcrash_async_macho_symtab_reader* reader, const void* dysymtab) {
    const zzcrash_async_macho_image* image = reader->image;
    if (!zzcrash_async_macho_command_fits(image, dysymtab, dysymtabCommandSize) ||
        zzcrash_async_macho_field32(image, dysymtab, 4) < dysymtabCommandSize)
        return ZZCRASH_EINVAL;
    const std::uint64_t ilocal = zzcrash_async_macho_field32(image, dysymtab, 8);
    const std::uint64_t nlocal = zzcrash_async_macho_field32(image, dysymtab, 12);
    const std::uint64_t iextdef = zzcrash_async_macho_field32(image, dysymtab, 16);
    const std::uint64_t nextdef = zzcrash_async_macho_field32(image, dysymtab, 20);
    if (ilocal + nlocal > reader->nsyms || iextdef + nextdef > reader->nsyms) return ZZCRASH_EINVAL;
    reader->symtab_local = entryAt(reader, reader->symtab, ilocal);
    reader->nsyms_local = static_cast<std::uint32_t>(nlocal);
    reader->symtab_global = entryAt(reader, reader->symtab, iextdef);
    reader->nsyms_global = static_cast<std::uint32_t>(nextdef);
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t readTables(zzcrash_async_macho_symtab_reader* reader, const void* symtab) {
    const zzcrash_async_macho_image* image = reader->image;
    if (!zzcrash_async_macho_command_fits(image, symtab, symtabCommandSize) ||
        zzcrash_async_macho_field32(image, symtab, 4) < symtabCommandSize)
        return ZZCRASH_EINVAL;
    reader->nsyms = zzcrash_async_macho_field32(image, symtab, 12);
    reader->string_table_size = zzcrash_async_macho_field32(image, symtab, 20);
    reader->symtab =
        linkeditPointer(reader, zzcrash_async_macho_field32(image, symtab, 8), reader->nsyms * entrySize(image));
    reader->string_table = static_cast<const char*>(
        linkeditPointer(reader, zzcrash_async_macho_field32(image, symtab, 16), reader->string_table_size));
    if (!reader->symtab || !reader->string_table) return ZZCRASH_EINTERNAL;
    const void* dysymtab = zzcrash_async_macho_first_command_of_type(image, ZZCRASH_LC_DYSYMTAB);
    return dysymtab ? readRuns(reader, dysymtab) : ZZCRASH_ESUCCESS;
}

bool definedInSection(const zzcrash_async_macho_symtab_entry& entry) { return (entry.n_type & 0xee) == 0x0e; }

struct Candidate {
    bool found;
    zzcrash_async_macho_symtab_entry entry;
};

// Keeps the largest value at or below the pc; an equal value does not replace
// the one found first.
void search(const zzcrash_async_macho_symtab_reader* reader, const void* table, std::uint32_t count,
            std::uint64_t unslidPc, Candidate* best) {
    for (std::uint32_t i = 0; i < count; ++i) {
        const zzcrash_async_macho_symtab_entry entry = zzcrash_async_macho_symtab_reader_entry(reader, table, i);
        if (!definedInSection(entry) || entry.n_value > unslidPc) continue;
        if (best->found && entry.n_value <= best->entry.n_value) continue;
        best->found = true;
        best->entry = entry;
    }
}

zzcrash_error_t report(const zzcrash_async_macho_symtab_reader* reader, const Candidate& best,
                       zzcrash_async_macho_found_symbol_cb callback, void* context) {
    if (!best.found) return ZZCRASH_ENOTFOUND;
    const char* name = zzcrash_async_macho_symtab_string(reader, best.entry.n_strx);
    if (!name) return ZZCRASH_EINVAL;
    callback(best.entry.normalized_value + reader->image->slide, name, context);
    return ZZCRASH_ESUCCESS;
}

}  // namespace

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

zzcrash_error_t zzcrash_async_macho_symbol_table_open(zzcrash_async_macho_symtab_reader* reader,
                                                      const zzcrash_async_macho_image* image) {
    zzcrash_async_memset(reader, 0, sizeof *reader);
    reader->image = image;
    const void* symtab = zzcrash_async_macho_first_command_of_type(image, ZZCRASH_LC_SYMTAB);
    if (!symtab) return ZZCRASH_ENOTFOUND;
    if (zzcrash_async_macho_map_segment(image, "__LINKEDIT", &reader->linkedit) != ZZCRASH_ESUCCESS)
        return ZZCRASH_EINTERNAL;
    const zzcrash_error_t error = readTables(reader, symtab);
    if (error != ZZCRASH_ESUCCESS) zzcrash_async_macho_segment_free(&reader->linkedit);
    return error;
}

void zzcrash_async_macho_symtab_close(zzcrash_async_macho_symtab_reader* reader) {
    zzcrash_async_macho_segment_free(&reader->linkedit);
}

zzcrash_async_macho_symtab_entry zzcrash_async_macho_symtab_reader_entry(
    const zzcrash_async_macho_symtab_reader* reader, const void* table, std::uint32_t index) {
    const zzcrash_async_macho_image* image = reader->image;
    const void* at = entryAt(reader, table, index);
    zzcrash_async_macho_symtab_entry entry{};
    entry.n_strx = zzcrash_async_macho_field32(image, at, 0);
    entry.n_type = static_cast<const std::uint8_t*>(at)[4];
    entry.n_sect = static_cast<const std::uint8_t*>(at)[5];
    std::uint16_t desc = 0;
    zzcrash_async_memcpy(&desc, static_cast<const unsigned char*>(at) + 6, sizeof desc);
    entry.n_desc = image->byteorder->swap16(desc);
    entry.n_value = zzcrash_async_macho_field_word(image, at, 8);
    entry.normalized_value = entry.n_desc & thumbDefinition ? entry.n_value | 1 : entry.n_value;
    return entry;
}

const char* zzcrash_async_macho_symtab_string(const zzcrash_async_macho_symtab_reader* reader, std::uint32_t index) {
    for (std::uint32_t at = index; at < reader->string_table_size; ++at) {
        if (reader->string_table[at] == '\0') return reader->string_table + index;
    }
    return nullptr;
}

zzcrash_error_t zzcrash_async_macho_symbol_at_pc(const zzcrash_async_macho_image* image, std::uint64_t pc,
                                                 zzcrash_async_macho_found_symbol_cb callback, void* context) {
    zzcrash_async_macho_symtab_reader reader;
    const zzcrash_error_t opened = zzcrash_async_macho_symbol_table_open(&reader, image);
    if (opened != ZZCRASH_ESUCCESS) return opened;
    const std::uint64_t unslidPc = pc - image->slide;
    Candidate best{};
    if (reader.symtab_global && reader.symtab_local) {
        search(&reader, reader.symtab_global, reader.nsyms_global, unslidPc, &best);
        search(&reader, reader.symtab_local, reader.nsyms_local, unslidPc, &best);
    } else {
        search(&reader, reader.symtab, reader.nsyms, unslidPc, &best);
    }
    const zzcrash_error_t error = report(&reader, best, callback, context);
    zzcrash_async_macho_symtab_close(&reader);
    return error;
}

zzcrash_error_t zzcrash_async_macho_symbol_by_name(const zzcrash_async_macho_image* image, const char* name,
                                                   std::uint64_t* address) {
    zzcrash_async_macho_symtab_reader reader;
    const zzcrash_error_t opened = zzcrash_async_macho_symbol_table_open(&reader, image);
    if (opened != ZZCRASH_ESUCCESS) return opened;
    zzcrash_error_t error = ZZCRASH_ENOTFOUND;
    for (std::uint32_t i = 0; i < reader.nsyms && error == ZZCRASH_ENOTFOUND; ++i) {
        const zzcrash_async_macho_symtab_entry entry =
            zzcrash_async_macho_symtab_reader_entry(&reader, reader.symtab, i);
        const char* candidate = zzcrash_async_macho_symtab_string(&reader, entry.n_strx);
        if (!definedInSection(entry) || !candidate || zzcrash_async_strcmp(candidate, name) != 0) continue;
        *address = entry.normalized_value + image->slide;
        error = ZZCRASH_ESUCCESS;
    }
    zzcrash_async_macho_symtab_close(&reader);
    return error;
}
