#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"

#include <elf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "CrashReporter/Async/Dwarf/zzcrash_async_gnu_ehptr_reader.h"
#include "CrashReporter/Async/Elf/zzcrash_async_elf_image_file.h"
#include "CrashReporter/Async/Private/zzcrash_async_image_format_of.h"
#include "CrashReporter/Platform/zzcrash_memory_read.h"

namespace {

using zzcrash::ZZ::async::DW_EH_PE;
using zzcrash::ZZ::async::gnu_ehptr_reader;

// What the program headers say, in the image's own addresses.
struct Segments {
    std::uint64_t firstVaddr = 0;
    bool hasFirst = false;
    std::uint64_t textEnd = 0;
    std::uint64_t end = 0;
    Elf64_Phdr dynamic{};
    Elf64_Phdr ehFrameHeader{};
    std::uint64_t noteCount = 0;
    Elf64_Phdr notes[8]{};
};

bool copyOut(const zzcrash_async_elf_image* image, std::uint64_t address, void* out, std::uint64_t length) {
    return zzcrash_async_task_copy(image->task, address, 0, out, length) == ZZCRASH_ESUCCESS;
}

// The `count` records at `address`, copied `capacity` at a time into
// `buffer`, each run handed to `use(records, length, index of the first)`:
// one checked copy per run instead of one per record, and no snapshot
// mapped (whose unmapping stops every thread of the process to flush its
// TLB). False when a copy fails.
template <class Record, class Use>
bool readInRuns(const zzcrash_async_elf_image* image, std::uint64_t address, std::uint64_t count, Record* buffer,
                std::uint64_t capacity, Use&& use) {
    for (std::uint64_t done = 0; done < count;) {
        const std::uint64_t take = std::min(count - done, capacity);
        if (!copyOut(image, address + done * sizeof(Record), buffer, take * sizeof(Record))) return false;
        use(static_cast<const Record*>(buffer), take, done);
        done += take;
    }
    return true;
}

bool isX86ImageHeader(const Elf64_Ehdr& header) {
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 && header.e_ident[EI_CLASS] == ELFCLASS64 &&
           header.e_ident[EI_DATA] == ELFDATA2LSB && header.e_machine == EM_X86_64 &&
           header.e_phentsize == sizeof(Elf64_Phdr) && header.e_phnum > 0;
}

void noteSegment(Segments* segments, const Elf64_Phdr& segment) {
    switch (segment.p_type) {
    case PT_LOAD:
        if (segment.p_offset == 0 && !segments->hasFirst) {
            segments->firstVaddr = segment.p_vaddr;
            segments->hasFirst = true;
        }
        if (segment.p_flags & PF_X) segments->textEnd = std::max(segments->textEnd, segment.p_vaddr + segment.p_memsz);
        segments->end = std::max(segments->end, segment.p_vaddr + segment.p_memsz);
        break;
    case PT_DYNAMIC: segments->dynamic = segment; break;
    case PT_GNU_EH_FRAME: segments->ehFrameHeader = segment; break;
    case PT_NOTE:
        if (segments->noteCount < std::size(segments->notes)) segments->notes[segments->noteCount++] = segment;
        break;
    default: break;
    }
}

zzcrash_error_t readSegments(zzcrash_async_elf_image* image, Segments* segments) {
    const std::uint64_t header = image->image.header_address;
    Elf64_Ehdr elf{};
    if (!copyOut(image, header, &elf, sizeof elf)) return ZZCRASH_EINTERNAL;
    if (!isX86ImageHeader(elf)) return ZZCRASH_EINVAL;
    for (Elf64_Half i = 0; i < elf.e_phnum; ++i) {
        Elf64_Phdr segment{};
        if (!copyOut(image, header + elf.e_phoff + i * sizeof segment, &segment, sizeof segment))
            return ZZCRASH_EINTERNAL;
        noteSegment(segments, segment);
    }
    if (!segments->hasFirst || segments->end <= segments->firstVaddr) return ZZCRASH_EINVAL;
    image->bias = header - segments->firstVaddr;
    image->size = segments->end - segments->firstVaddr;
    image->image.text_size = segments->textEnd > segments->firstVaddr ? segments->textEnd - segments->firstVaddr : 0;
    return ZZCRASH_ESUCCESS;
}

// The loader rewrites most addresses in a library's dynamic section to where
// they are loaded, but not those of every image (the vDSO's stay as linked).
// An address inside the loaded image is taken as it is; any other is moved
// by the bias.
std::uint64_t loadedAddress(const zzcrash_async_elf_image* image, std::uint64_t value) {
    const std::uint64_t header = image->image.header_address;
    if (value >= header && value - header < image->size) return value;
    return value + image->bias;
}

// Hash-table words read at a time: listing an image once read them one
// checked copy each, some ten thousand system calls for a large library.
constexpr std::uint32_t hashWordsPerRead = 256;

// The highest of the `count` bucket words at `at`; false when they cannot be read.
bool highestBucket(const zzcrash_async_elf_image* image, std::uint64_t at, std::uint32_t count,
                   std::uint32_t* highest) {
    std::uint32_t words[hashWordsPerRead];
    return readInRuns(image, at, count, words, hashWordsPerRead,
                      [highest](const std::uint32_t* run, std::uint64_t length, std::uint64_t) {
                          for (std::uint64_t i = 0; i < length; ++i) *highest = std::max(*highest, run[i]);
                      });
}

// The symbol index after the end of the chain that holds symbol `index`
// (its chain word at `at`): the first word from there with its low bit set
// ends it. The table's end is not known, so each read takes what can be read.
std::uint64_t chainEnd(std::uint64_t at, std::uint64_t index) {
    std::uint32_t words[hashWordsPerRead];
    for (;;) {
        const std::size_t got = zzcrash_memory_read_prefix(at, words, sizeof words) / sizeof words[0];
        if (got == 0) return 0;
        for (std::size_t i = 0; i < got; ++i)
            if (words[i] & 1) return index + i + 1;
        index += got;
        at += got * sizeof words[0];
    }
}

// DT_HASH gives the symbol count directly; a GNU hash table only through its
// last chain: the highest symbol any bucket starts with, followed to the end
// of its chain.
std::uint64_t gnuHashSymbolCount(const zzcrash_async_elf_image* image, std::uint64_t table) {
    std::uint32_t header[4];
    if (!copyOut(image, table, header, sizeof header) || header[0] == 0) return 0;
    const std::uint64_t buckets = table + sizeof header + std::uint64_t{header[2]} * 8;
    std::uint32_t last = 0;
    if (!highestBucket(image, buckets, header[0], &last)) return 0;
    if (last < header[1]) return header[1];
    const std::uint64_t chains = buckets + std::uint64_t{header[0]} * 4;
    return chainEnd(chains + (std::uint64_t{last} - header[1]) * 4, last);
}

std::uint64_t symbolCount(const zzcrash_async_elf_image* image, std::uint64_t hash, std::uint64_t gnuHash) {
    std::uint32_t chains = 0;
    if (hash && copyOut(image, hash + 4, &chains, 4)) return chains;
    return gnuHash ? gnuHashSymbolCount(image, gnuHash) : 0;
}

void readDynamic(zzcrash_async_elf_image* image, const Elf64_Phdr& dynamic) {
    std::uint64_t hash = 0;
    std::uint64_t gnuHash = 0;
    for (std::uint64_t i = 0; i < dynamic.p_memsz / sizeof(Elf64_Dyn); ++i) {
        Elf64_Dyn entry{};
        if (!copyOut(image, image->bias + dynamic.p_vaddr + i * sizeof entry, &entry, sizeof entry)) return;
        if (entry.d_tag == DT_NULL) break;
        const std::uint64_t value = entry.d_un.d_val;
        switch (entry.d_tag) {
        case DT_SYMTAB: image->dynsym_address = loadedAddress(image, value); break;
        case DT_STRTAB: image->dynstr_address = loadedAddress(image, value); break;
        case DT_STRSZ: image->dynstr_size = value; break;
        case DT_HASH: hash = loadedAddress(image, value); break;
        case DT_GNU_HASH: gnuHash = loadedAddress(image, value); break;
        default: break;
        }
    }
    if (image->dynsym_address && image->dynstr_address) image->dynsym_count = symbolCount(image, hash, gnuHash);
}

// A note: {name size, description size, type}, the name and the description
// each padded to the segment's alignment.
void readBuildId(zzcrash_async_elf_image* image, const Elf64_Phdr& notes) {
    const std::uint64_t align = notes.p_align == 8 ? 8 : 4;
    const auto padded = [align](std::uint64_t size) { return (size + align - 1) & ~(align - 1); };
    std::uint64_t at = image->bias + notes.p_vaddr;
    const std::uint64_t end = at + notes.p_filesz;
    while (at + sizeof(Elf64_Nhdr) <= end) {
        Elf64_Nhdr note{};
        char name[4] = {};
        if (!copyOut(image, at, &note, sizeof note)) return;
        const std::uint64_t description = at + sizeof note + padded(note.n_namesz);
        if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 && copyOut(image, at + sizeof note, name, 4) &&
            std::memcmp(name, "GNU", 4) == 0) {
            const std::uint64_t length = std::min<std::uint64_t>(note.n_descsz, sizeof image->uuid);
            image->has_uuid = copyOut(image, description, image->uuid, length);
            return;
        }
        at = description + padded(note.n_descsz);
    }
}

// .eh_frame_hdr: a version byte, the encodings of the pointer to .eh_frame,
// of the table's count and of its entries, then the pointer and the count;
// the widest forms of the two take 8 bytes each.
constexpr std::uint64_t frameHeaderBytes = 4 + 8 + 8;

// The search table in the one form its entry record holds: 4-byte offsets
// from the header, which is what linkers write.
constexpr std::uint8_t searchTableEncoding = zzcrash::ZZ::async::DW_EH_PE_datarel | zzcrash::ZZ::async::DW_EH_PE_sdata4;

// The header's pointer to .eh_frame and its search table, decoded by the
// reader the call-frame parser uses, from one checked copy of the header
// (no longer than the segment, whose end may end the mapping too).
bool readFrameHeader(zzcrash_async_elf_image* image, std::uint64_t header, std::uint64_t segmentSize,
                     std::uint64_t* frames) {
    std::uint8_t bytes[frameHeaderBytes];
    zzcrash_async_mobject fields;
    const std::uint64_t length = std::min<std::uint64_t>(segmentSize, sizeof bytes);
    if (length < 4 || zzcrash_async_mobject_init_in(&fields, image->task, header, length, bytes, sizeof bytes,
                                                    nullptr) != ZZCRASH_ESUCCESS)
        return false;
    if (bytes[0] != 1 || bytes[3] != searchTableEncoding) return false;
    gnu_ehptr_reader<std::uint64_t> pointers(&zzcrash_async_byteorder_direct);
    pointers.set_data_base(header);
    std::uint64_t pointerSize = 0;
    std::uint64_t count = 0;
    std::uint64_t countSize = 0;
    if (pointers.read(&fields, header, 4, static_cast<DW_EH_PE>(bytes[1]), frames, &pointerSize) != ZZCRASH_ESUCCESS ||
        pointers.read(&fields, header, static_cast<std::int64_t>(4 + pointerSize), static_cast<DW_EH_PE>(bytes[2]),
                      &count, &countSize) != ZZCRASH_ESUCCESS ||
        count == 0)
        return false;
    image->eh_frame_hdr_address = header;
    image->fde_table_address = header + 4 + pointerSize + countSize;
    image->fde_table_count = count;
    return true;
}

std::uint64_t fromHeader(const zzcrash_async_elf_image* image, std::uint32_t offset) {
    return image->eh_frame_hdr_address + static_cast<std::uint64_t>(std::int64_t{static_cast<std::int32_t>(offset)});
}

// Where the last frame description ends, from the search table: not every
// .eh_frame ends with a terminator (the vDSO's runs straight into its code).
// The entries lie one after another, so the last one ends the section.
std::uint64_t endOfLastFde(const zzcrash_async_elf_image* image) {
    // On the stack: an image first seen in a crash is read in the crash.
    constexpr std::uint64_t entriesPerRead = 256;
    zzcrash_async_elf_fde_table_entry entries[entriesPerRead];
    std::uint64_t last = 0;
    const bool read =
        readInRuns(image, image->fde_table_address, image->fde_table_count, entries, entriesPerRead,
                   [image, &last](const zzcrash_async_elf_fde_table_entry* run, std::uint64_t length, std::uint64_t) {
                       for (std::uint64_t i = 0; i < length; ++i)
                           last = std::max(last, fromHeader(image, static_cast<std::uint32_t>(run[i].fde)));
                   });
    if (!read) return 0;
    std::uint32_t length = 0;
    if (last == 0 || !copyOut(image, last, &length, 4) || length == 0xffffffffu) return 0;
    return last + 4 + length;
}

void readFrameTable(zzcrash_async_elf_image* image, const Segments& segments) {
    if (segments.ehFrameHeader.p_type != PT_GNU_EH_FRAME) return;
    std::uint64_t frames = 0;
    if (!readFrameHeader(image, image->bias + segments.ehFrameHeader.p_vaddr, segments.ehFrameHeader.p_memsz, &frames))
        return;
    const std::uint64_t end = endOfLastFde(image);
    if (end <= frames) {
        image->fde_table_count = 0;
        return;
    }
    // The terminator, where there is one, belongs to the table.
    std::uint32_t terminator = 1;
    const bool terminated = copyOut(image, end, &terminator, 4) && terminator == 0;
    image->eh_frame_address = frames;
    image->eh_frame_size = end - frames + (terminated ? 4 : 0);
}

// Records read at a time when an image is listed (not in a crash): runs
// in one heap buffer below the size the allocator would map on its own.
constexpr std::uint64_t listingRunBytes = 64 * 1024;

// Every stride-th start of the search table, into memory of the record's own.
void sampleSearchTable(zzcrash_async_elf_image* image) {
    if (image->fde_table_count == 0) return;
    const std::uint64_t count =
        (image->fde_table_count + ZZCRASH_ELF_FDE_SAMPLE_STRIDE - 1) / ZZCRASH_ELF_FDE_SAMPLE_STRIDE;
    auto* samples = static_cast<std::int32_t*>(std::malloc(count * sizeof(std::int32_t)));
    constexpr std::uint64_t perRun = listingRunBytes / sizeof(zzcrash_async_elf_fde_table_entry);
    auto* run = static_cast<zzcrash_async_elf_fde_table_entry*>(std::malloc(listingRunBytes));
    const bool read = samples && run &&
                      readInRuns(image, image->fde_table_address, image->fde_table_count, run, perRun,
                                 [samples](const zzcrash_async_elf_fde_table_entry* entries, std::uint64_t length,
                                           std::uint64_t first) {
                                     for (std::uint64_t i = 0; i < length; ++i)
                                         if ((first + i) % ZZCRASH_ELF_FDE_SAMPLE_STRIDE == 0)
                                             samples[(first + i) / ZZCRASH_ELF_FDE_SAMPLE_STRIDE] = entries[i].start;
                                 });
    std::free(run);
    if (!read) {
        std::free(samples);
        return;
    }
    image->fde_samples = samples;
    image->fde_sample_count = count;
}

bool isNamedFunction(const Elf64_Sym& symbol) {
    return ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && symbol.st_shndx != SHN_UNDEF && symbol.st_value != 0;
}

// Every symbol's name ends inside the string table when the table's last byte
// ends a name: a crash then reads a name without looking for its end.
bool stringsEndInTable(const zzcrash_async_elf_image* image) {
    char last = 1;
    return image->dynstr_size > 0 && copyOut(image, image->dynstr_address + image->dynstr_size - 1, &last, 1) &&
           last == '\0';
}

// The table's functions, in table order; false when one lies past 32 bits
// or the table cannot be read.
bool collectFunctions(const zzcrash_async_elf_image* image, zzcrash_async_elf_symbol* out, std::uint64_t* count) {
    constexpr std::uint64_t perRun = listingRunBytes / sizeof(Elf64_Sym);
    auto* run = static_cast<Elf64_Sym*>(std::malloc(perRun * sizeof(Elf64_Sym)));
    bool fits = true;
    const bool read =
        run && readInRuns(image, image->dynsym_address, image->dynsym_count, run, perRun,
                          [&](const Elf64_Sym* symbols, std::uint64_t length, std::uint64_t) {
                              for (std::uint64_t i = 0; i < length && fits; ++i) {
                                  const Elf64_Sym& symbol = symbols[i];
                                  if (!isNamedFunction(symbol)) continue;
                                  fits = symbol.st_value + symbol.st_size < UINT32_MAX &&
                                         symbol.st_name < image->dynstr_size;
                                  if (fits)
                                      out[(*count)++] = {static_cast<std::uint32_t>(symbol.st_value),
                                                         static_cast<std::uint32_t>(symbol.st_size), symbol.st_name, 0};
                              }
                          });
    std::free(run);
    return read && fits;
}

// The exported functions, then those of the file's symbol table: sorted
// stably, an exported one is found first among equal starts, its name read
// from memory rather than from the file.
void sortSymbols(zzcrash_async_elf_image* image) {
    zzcrash_async_elf_symbol* sorted = nullptr;
    std::uint64_t count = 0;
    if (image->dynsym_count > 0 && stringsEndInTable(image)) {
        sorted =
            static_cast<zzcrash_async_elf_symbol*>(std::malloc(image->dynsym_count * sizeof(zzcrash_async_elf_symbol)));
        if (!sorted || !collectFunctions(image, sorted, &count)) count = 0;
    }
    zzcrash_async_elf_add_file_functions(image, &sorted, &count);
    if (count == 0) {
        std::free(sorted);
        return;
    }
    std::stable_sort(sorted, sorted + count, [](const auto& a, const auto& b) { return a.start < b.start; });
    std::uint32_t reach = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        reach = std::max(reach, sorted[i].start + std::max<std::uint32_t>(sorted[i].size, 1));
        sorted[i].reach = reach;
    }
    image->sorted_symbols = sorted;
    image->sorted_symbol_count = count;
}

}  // namespace

const zzcrash_async_image_format zzcrash_async_elf_image_format =
    zzcrash_async_image_format_of<zzcrash_async_elf_image, zzcrash_async_elf_image_init,
                                  zzcrash_async_elf_image_free>::format;

zzcrash_error_t zzcrash_async_elf_image_read(zzcrash_async_elf_image* image, zzcrash_task_t task,
                                             std::uint64_t headerAddress) {
    std::memset(image, 0, sizeof *image);
    image->task = task;
    image->image.header_address = headerAddress;
    Segments segments;
    const zzcrash_error_t error = readSegments(image, &segments);
    if (error != ZZCRASH_ESUCCESS) return error;
    if (segments.dynamic.p_type == PT_DYNAMIC) readDynamic(image, segments.dynamic);
    for (std::uint64_t i = 0; i < segments.noteCount && !image->has_uuid; ++i) readBuildId(image, segments.notes[i]);
    readFrameTable(image, segments);
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t zzcrash_async_elf_image_init(zzcrash_async_elf_image* image, zzcrash_task_t task, const char* name,
                                             std::uint64_t headerAddress) {
    const zzcrash_error_t error = zzcrash_async_elf_image_read(image, task, headerAddress);
    if (error != ZZCRASH_ESUCCESS) return error;
    image->name = strdup(name ? name : "");
    if (!image->name) return ZZCRASH_ENOMEM;
    sampleSearchTable(image);
    sortSymbols(image);
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_elf_image_free(zzcrash_async_elf_image* image) {
    std::free(image->name);
    image->name = nullptr;
    std::free(image->fde_samples);
    image->fde_samples = nullptr;
    std::free(image->sorted_symbols);
    image->sorted_symbols = nullptr;
}
