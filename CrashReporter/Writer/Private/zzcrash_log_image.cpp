#include "CrashReporter/Writer/Private/zzcrash_log_image.h"

#include "CrashReporter/Async/zzcrash_async_string.h"
#include "CrashReporter/Writer/ZZCrashLogWriter.h"

zzcrash_log_image::zzcrash_log_image(const zzcrash_async_image_list* list, const zzcrash_async_image* image) {
    if (list->format == &zzcrash_async_macho_image_format)
        macho_ = reinterpret_cast<const zzcrash_async_macho_image*>(image);
    else
        elf_ = reinterpret_cast<const zzcrash_async_elf_image*>(image);
}

const char* zzcrash_log_image::name() const {
    const char* name = macho_ ? macho_->name : elf_->name;
    return name ? name : "";
}

bool zzcrash_log_image::uuid(std::uint8_t out[16]) const {
    if (macho_) return zzcrash_async_macho_uuid(macho_, out);
    if (!elf_->has_uuid) return false;
    zzcrash_async_memcpy(out, elf_->uuid, sizeof elf_->uuid);
    return true;
}

std::uint64_t zzcrash_log_image::cpuType() const {
    return macho_ ? zzcrash_async_macho_cpu_type(macho_) : std::uint64_t{ZZCRASH_CPU_TYPE_X86_64};
}

std::uint64_t zzcrash_log_image::cpuSubtype() const {
    return macho_ ? zzcrash_async_macho_cpu_subtype(macho_) : std::uint64_t{ZZCRASH_CPU_SUBTYPE_X86_64_ALL};
}

zzcrash_error_t zzcrash_log_image::symbolAt(std::uint32_t strategy, zzcrash_async_symbolication_cache* cache,
                                            zzcrash_async_page_cache* pages, std::uint64_t pc,
                                            zzcrash_async_macho_found_symbol_cb callback, void* context) const {
    if (macho_) return zzcrash_async_symbolicate_pc(macho_, strategy, cache, pc, callback, context);
    if ((strategy & ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE) == 0) return ZZCRASH_ENOTFOUND;
    return zzcrash_async_elf_symbol_at_pc_through(elf_, pages, pc, callback, context);
}
