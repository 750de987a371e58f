#pragma once
#include <cstdint>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"
#include "CrashReporter/Async/zzcrash_async_symbolicate.h"

// One image of the list a crash log is written from, whichever format the
// list keeps: this process's ELF images, or Mach-O images. What the log
// records of it. Async-signal-safe.
class zzcrash_log_image {
public:
    zzcrash_log_image(const zzcrash_async_image_list* list, const zzcrash_async_image* image);

    // Null for an ELF image.
    const zzcrash_async_macho_image* macho() const { return macho_; }
    const char* name() const;
    // The image's UUID (an ELF image's build id); false when it has none.
    bool uuid(std::uint8_t out[16]) const;
    // The CPU type and subtype: a Mach-O image's header says; an ELF image of
    // this process is x86-64.
    std::uint64_t cpuType() const;
    std::uint64_t cpuSubtype() const;
    // Names the function holding `pc` by the strategy's means (an ELF image
    // has only its exported symbols, their names copied through `pages`);
    // zzcrash_async_symbolicate_pc's codes.
    zzcrash_error_t symbolAt(std::uint32_t strategy, zzcrash_async_symbolication_cache* cache,
                             zzcrash_async_page_cache* pages, std::uint64_t pc,
                             zzcrash_async_macho_found_symbol_cb callback, void* context) const;

private:
    const zzcrash_async_macho_image* macho_ = nullptr;
    const zzcrash_async_elf_image* elf_ = nullptr;
};
