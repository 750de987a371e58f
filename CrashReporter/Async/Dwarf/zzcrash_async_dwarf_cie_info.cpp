#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cie_info.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_entry.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace zzcrash::ZZ::async {

namespace {

// Reads a CIE's fields in order from `at`, each bounded by the entry's end.
class CieCursor {
public:
    CieCursor(const zzcrash_async_mobject* mobj, std::uint64_t at, std::uint64_t end)
        : mobj_(mobj), at_(at), end_(end) {}

    std::uint64_t at() const { return at_; }

    zzcrash_error_t byte(std::uint8_t* out) {
        if (at_ >= end_) return ZZCRASH_EINVAL;
        return zzcrash_async_mobject_read_uint8(mobj_, at_++, 0, out);
    }
    zzcrash_error_t uleb(std::uint64_t* out) { return leb(out, nullptr); }
    zzcrash_error_t sleb(std::int64_t* out) { return leb(nullptr, out); }
    zzcrash_error_t skip(std::uint64_t count) {
        if (count > end_ - at_) return ZZCRASH_EINVAL;
        at_ += count;
        return ZZCRASH_ESUCCESS;
    }

private:
    zzcrash_error_t leb(std::uint64_t* unsignedOut, std::int64_t* signedOut) {
        std::uint64_t size = 0;
        const zzcrash_error_t error = unsignedOut ? zzcrash_async_dwarf_read_uleb128(mobj_, at_, 0, unsignedOut, &size)
                                                  : zzcrash_async_dwarf_read_sleb128(mobj_, at_, 0, signedOut, &size);
        if (error != ZZCRASH_ESUCCESS) return error;
        return skip(size);
    }

    const zzcrash_async_mobject* mobj_;
    std::uint64_t at_;
    std::uint64_t end_;
};

// The augmentation string, up to 8 characters kept (the ones after 'z' are
// read against the augmentation data); it must end inside the entry.
zzcrash_error_t readAugmentation(CieCursor* cursor, char* kept, std::uint64_t keptCapacity) {
    for (std::uint64_t count = 0;; ++count) {
        std::uint8_t c = 0;
        ZZCRASH_TRY(cursor->byte(&c));
        if (count < keptCapacity - 1) kept[count] = static_cast<char>(c);
        if (c == 0) return ZZCRASH_ESUCCESS;
    }
}

template <typename machine_ptr>
zzcrash_error_t readEhAugmentation(zzcrash_async_dwarf_cie_info* info, CieCursor* cursor,
                                   const zzcrash_async_mobject* mobj, const gnu_ehptr_reader<machine_ptr>* ptr_reader,
                                   const char* letters) {
    zzcrash_async_dwarf_eh_augmentation& augmentation = info->eh_augmentation;
    std::uint64_t dataLength = 0;
    ZZCRASH_TRY(cursor->uleb(&dataLength));
    const std::uint64_t dataStart = cursor->at();
    ZZCRASH_TRY(cursor->skip(dataLength));
    CieCursor data(mobj, dataStart, cursor->at());
    for (const char* letter = letters; *letter; ++letter) {
        if (*letter == 'L') {
            ZZCRASH_TRY(data.byte(&augmentation.lsda_encoding));
            augmentation.has_lsda_encoding = true;
        } else if (*letter == 'P') {
            std::uint8_t encoding = 0;
            ZZCRASH_TRY(data.byte(&encoding));
            machine_ptr personality = 0;
            std::uint64_t size = 0;
            ZZCRASH_TRY(ptr_reader->read(mobj, static_cast<machine_ptr>(data.at()), 0, static_cast<DW_EH_PE>(encoding),
                                         &personality, &size));
            ZZCRASH_TRY(data.skip(size));
            augmentation.personality_address = personality;
            augmentation.has_personality_address = true;
        } else if (*letter == 'R') {
            ZZCRASH_TRY(data.byte(&augmentation.pointer_encoding));
            augmentation.has_pointer_encoding = true;
        } else if (*letter == 'S') {
            augmentation.signal_frame = true;
        } else {
            break;  // an augmentation this reader does not know: the rest of the data is skipped
        }
    }
    return ZZCRASH_ESUCCESS;
}

}  // namespace

template <typename machine_ptr>
zzcrash_error_t zzcrash_async_dwarf_cie_info_init(zzcrash_async_dwarf_cie_info* info, const zzcrash_async_mobject* mobj,
                                                  const zzcrash_async_byteorder* byteorder,
                                                  const gnu_ehptr_reader<machine_ptr>* ptr_reader,
                                                  machine_ptr address) {
    zzcrash_async_memset(info, 0, sizeof *info);
    dwarf_entry entry{};
    ZZCRASH_TRY(dwarf_entry_read(mobj, byteorder, address, &entry));
    info->cie_offset = entry.id_address - zzcrash_async_mobject_base_address(mobj);
    info->cie_length = entry.length;
    if (zzcrash_async_dwarf_read_sized(mobj, byteorder, entry.id_address, 0, entry.id_size, &info->cie_id) !=
        ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVAL;
    const std::uint64_t allOnes = entry.id_size == 8 ? ~std::uint64_t{0} : 0xffffffffu;
    if (info->cie_id != 0 && info->cie_id != allOnes) return ZZCRASH_EINVAL;
    if (entry.length < entry.id_size) return ZZCRASH_EINVAL;
    CieCursor cursor(mobj, entry.id_address + entry.id_size, entry.end);
    ZZCRASH_TRY(cursor.byte(&info->cie_version));
    if (info->cie_version != 1 && info->cie_version != 3 && info->cie_version != 4) return ZZCRASH_EINVAL;
    char augmentation[8] = {};
    ZZCRASH_TRY(readAugmentation(&cursor, augmentation, sizeof augmentation));
    if (augmentation[0] != 0 && augmentation[0] != 'z') return ZZCRASH_ENOTSUP;
    if (info->cie_version == 4) {
        ZZCRASH_TRY(cursor.byte(&info->address_size));
        ZZCRASH_TRY(cursor.byte(&info->segment_size));
    }
    ZZCRASH_TRY(cursor.uleb(&info->code_alignment_factor));
    ZZCRASH_TRY(cursor.sleb(&info->data_alignment_factor));
    ZZCRASH_TRY(cursor.uleb(&info->return_address_register));
    if (augmentation[0] == 'z') {
        info->eh_augmentation.has_eh_augmentation = true;
        ZZCRASH_TRY(readEhAugmentation(info, &cursor, mobj, ptr_reader, augmentation + 1));
    }
    info->initial_instructions_offset = cursor.at() - zzcrash_async_mobject_base_address(mobj);
    info->initial_instructions_length = entry.end - cursor.at();
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_dwarf_cie_info_free(zzcrash_async_dwarf_cie_info*) {}

std::uint64_t zzcrash_async_dwarf_cie_info_initial_instructions_offset(const zzcrash_async_dwarf_cie_info* info) {
    return info->initial_instructions_offset;
}

std::uint64_t zzcrash_async_dwarf_cie_info_initial_instructions_length(const zzcrash_async_dwarf_cie_info* info) {
    return info->initial_instructions_length;
}

template zzcrash_error_t zzcrash_async_dwarf_cie_info_init<std::uint32_t>(zzcrash_async_dwarf_cie_info*,
                                                                          const zzcrash_async_mobject*,
                                                                          const zzcrash_async_byteorder*,
                                                                          const gnu_ehptr_reader<std::uint32_t>*,
                                                                          std::uint32_t);
template zzcrash_error_t zzcrash_async_dwarf_cie_info_init<std::uint64_t>(zzcrash_async_dwarf_cie_info*,
                                                                          const zzcrash_async_mobject*,
                                                                          const zzcrash_async_byteorder*,
                                                                          const gnu_ehptr_reader<std::uint64_t>*,
                                                                          std::uint64_t);

}  // namespace zzcrash::ZZ::async
