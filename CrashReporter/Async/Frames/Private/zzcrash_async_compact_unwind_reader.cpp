#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_reader.h"

#include "CrashReporter/Async/zzcrash_async_thread_state.h"

namespace {

constexpr std::uint32_t regularPage = 2;
constexpr std::uint32_t compressedPage = 3;
constexpr std::uint64_t firstLevelEntrySize = 12;

// An array of fixed-size entries in the section, each starting with the
// 32-bit function offset it is searched by.
struct Table {
    const zzcrash_async_compact_unwind_reader* reader;
    std::uint64_t address;  // the first entry
    std::uint64_t count;
    std::uint64_t entrySize;
    std::uint64_t keyBase;  // added to each entry's key
    std::uint32_t keyMask;  // the bits of the first word that are the key

    std::uint32_t word(std::uint64_t index, std::uint64_t at = 0) const {
        std::uint32_t value = 0;
        zzcrash_async_mobject_read_uint32(reader->mobj, reader->byteorder, address, index * entrySize + at, &value);
        return value;
    }
    std::uint64_t key(std::uint64_t index) const { return keyBase + (word(index) & keyMask); }

    // The last entry whose key is at or below `pc`; false when there is none.
    bool find(std::uint64_t pc, std::uint64_t* index) const {
        std::uint64_t low = 0;
        std::uint64_t high = count;
        while (low < high) {
            const std::uint64_t middle = low + (high - low) / 2;
            if (key(middle) <= pc)
                low = middle + 1;
            else
                high = middle;
        }
        if (low == 0) return false;
        *index = low - 1;
        return true;
    }
};

std::uint64_t sectionAddress(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t offset) {
    return zzcrash_async_mobject_base_address(reader->mobj) + offset;
}

// Whether `count` entries of `size` bytes at the section offset lie in it.
bool mapped(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t offset, std::uint64_t count,
            std::uint64_t size) {
    return zzcrash_async_mobject_local_pointer(reader->mobj, zzcrash_async_mobject_base_address(reader->mobj),
                                               static_cast<std::int64_t>(offset), count * size) != nullptr;
}

// The 16-bit fields of a second-level page's header, which follow its kind word.
bool readPageFields(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t page, std::uint16_t* fields,
                    std::uint64_t count) {
    if (!mapped(reader, page, 1, 4 + 2 * count)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (zzcrash_async_mobject_read_uint16(reader->mobj, reader->byteorder, sectionAddress(reader, page),
                                              static_cast<std::int64_t>(4 + 2 * i), &fields[i]) != ZZCRASH_ESUCCESS)
            return false;
    }
    return true;
}

zzcrash_error_t findInRegularPage(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t page,
                                  std::uint64_t pc, std::uint64_t* functionBase, std::uint32_t* encoding) {
    std::uint16_t fields[2] = {};  // the entries' offset and count
    if (!readPageFields(reader, page, fields, 2) || !mapped(reader, page + fields[0], fields[1], 8))
        return ZZCRASH_EINVAL;
    const Table entries{reader, sectionAddress(reader, page + fields[0]), fields[1], 8, 0, 0xffffffffu};
    std::uint64_t index = 0;
    if (!entries.find(pc, &index)) return ZZCRASH_ENOTFOUND;
    *functionBase = entries.key(index);
    *encoding = entries.word(index, 4);
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t findInCompressedPage(const zzcrash_async_compact_unwind_reader* reader, std::uint64_t page,
                                     std::uint64_t firstLevelFunction, std::uint64_t pc, std::uint64_t* functionBase,
                                     std::uint32_t* encoding) {
    std::uint16_t fields[4] = {};  // the entries' offset and count, the encodings' offset and count
    if (!readPageFields(reader, page, fields, 4) || !mapped(reader, page + fields[0], fields[1], 4))
        return ZZCRASH_EINVAL;
    const Table entries{reader, sectionAddress(reader, page + fields[0]), fields[1], 4, firstLevelFunction, 0xffffffu};
    std::uint64_t index = 0;
    if (!entries.find(pc, &index)) return ZZCRASH_ENOTFOUND;
    *functionBase = entries.key(index);
    const std::uint32_t encodingIndex = entries.word(index) >> 24;
    const std::uint32_t commonCount = reader->header.common_encodings_count;
    if (encodingIndex < commonCount) {
        const Table common{reader, sectionAddress(reader, reader->header.common_encodings_offset), commonCount, 4, 0,
                           0};
        *encoding = common.word(encodingIndex);
        return ZZCRASH_ESUCCESS;
    }
    const std::uint8_t local = static_cast<std::uint8_t>(encodingIndex - commonCount);
    if (local >= fields[3] || !mapped(reader, page + fields[2], fields[3], 4)) return ZZCRASH_EINVAL;
    const Table own{reader, sectionAddress(reader, page + fields[2]), fields[3], 4, 0, 0};
    *encoding = own.word(local);
    return ZZCRASH_ESUCCESS;
}

}  // namespace

zzcrash_error_t zzcrash_async_compact_unwind_reader_init(zzcrash_async_compact_unwind_reader* reader,
                                                         const zzcrash_async_mobject* mobj, int cputype) {
    if (cputype != ZZCRASH_CPU_TYPE_X86 && cputype != ZZCRASH_CPU_TYPE_X86_64 && cputype != ZZCRASH_CPU_TYPE_ARM64)
        return ZZCRASH_ENOTSUP;
    reader->mobj = mobj;
    reader->cputype = cputype;
    reader->byteorder = &zzcrash_async_byteorder_direct;
    const std::uint64_t base = zzcrash_async_mobject_base_address(mobj);
    std::uint32_t fields[7] = {};
    for (std::int64_t i = 0; i < 7; ++i) {
        if (zzcrash_async_mobject_read_uint32(mobj, reader->byteorder, base, 4 * i, &fields[i]) != ZZCRASH_ESUCCESS)
            return ZZCRASH_EINVAL;
    }
    reader->header = {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6]};
    return reader->header.version == 1 ? ZZCRASH_ESUCCESS : ZZCRASH_ENOTSUP;
}

zzcrash_error_t zzcrash_async_compact_unwind_reader_find_pc(const zzcrash_async_compact_unwind_reader* reader,
                                                            std::uint64_t pc, std::uint64_t* function_base,
                                                            std::uint32_t* encoding) {
    const auto& header = reader->header;
    if (!mapped(reader, header.common_encodings_offset, header.common_encodings_count, 4)) return ZZCRASH_EINVAL;
    if (header.index_count == 0) return ZZCRASH_ENOTFOUND;
    // The last first-level entry only marks the end of the table.
    const std::uint64_t count = header.index_count - 1;
    if (!mapped(reader, header.index_offset, count, firstLevelEntrySize)) return ZZCRASH_EINVAL;
    const Table firstLevel{reader,     sectionAddress(reader, header.index_offset), count, firstLevelEntrySize, 0,
                           0xffffffffu};
    std::uint64_t index = 0;
    if (!firstLevel.find(pc, &index)) return ZZCRASH_ENOTFOUND;
    const std::uint64_t function = firstLevel.key(index);
    const std::uint64_t page = firstLevel.word(index, 4);
    std::uint32_t kind = 0;
    if (zzcrash_async_mobject_read_uint32(reader->mobj, reader->byteorder, sectionAddress(reader, page), 0, &kind) !=
        ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVAL;
    if (kind == regularPage) return findInRegularPage(reader, page, pc, function_base, encoding);
    if (kind == compressedPage) return findInCompressedPage(reader, page, function, pc, function_base, encoding);
    return ZZCRASH_EINVAL;
}

void zzcrash_async_compact_unwind_reader_free(zzcrash_async_compact_unwind_reader*) {}
