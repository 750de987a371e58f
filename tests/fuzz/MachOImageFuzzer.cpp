// A Mach-O image as the crash path meets it: bytes in memory that claim to be
// an image, trusted in nothing. The input is placed in pages of its own and
// read as a loaded image: its commands, sections, symbol table and class
// metadata. Every read is checked, so nothing may fault, and what a lookup
// reports must lie where the lookup was asked.
#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "CrashReporter/Async/zzcrash_async_symbolicate.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

struct Reported {
    std::uint64_t address;
    std::size_t length;
    bool called;
};

void keep(std::uint64_t address, const char* name, void* context) {
    auto* reported = static_cast<Reported*>(context);
    *reported = {address, std::strlen(name), true};
}

void lookUp(const zzcrash_async_macho_image* image, zzcrash_async_symbolication_cache* cache, std::uint64_t pc) {
    Reported symbol{};
    if (zzcrash_async_macho_symbol_at_pc(image, pc, keep, &symbol) == ZZCRASH_ESUCCESS) {
        fuzzing::check(symbol.called, "a found symbol is reported");
        fuzzing::check(symbol.address - image->slide <= ((pc - image->slide) | 1),
                       "a symbol starts at or below the pc");
    }
    Reported named{};
    if (zzcrash_async_symbolicate_pc(image, ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE | ZZCRASH_SYMBOL_STRATEGY_OBJC, cache,
                                     pc, keep, &named) == ZZCRASH_ESUCCESS)
        fuzzing::check(named.length <= ZZCRASH_SYMBOL_NAME_MAX, "a frame's name is cut at its limit");
}

void readImage(zzcrash_async_macho_image* image) {
    std::size_t commands = 0;
    for (const void* command = zzcrash_async_macho_command_iterate(image, nullptr); command;
         command = zzcrash_async_macho_command_iterate(image, command))
        ++commands;
    fuzzing::check(commands <= image->load_cmds.length / 8, "commands are at least 8 bytes each");
    std::uint8_t uuid[16];
    zzcrash_async_macho_uuid(image, uuid);
    zzcrash_async_mobject section;
    if (zzcrash_async_macho_map_section(image, "__TEXT", "__text", &section) == ZZCRASH_ESUCCESS)
        zzcrash_async_mobject_free(&section);
    std::uint64_t address = 0;
    zzcrash_async_macho_symbol_by_name(image, "_start", &address);
    zzcrash_async_symbolication_cache cache;
    zzcrash_async_symbolication_cache_init(&cache);
    const std::uint64_t header = image->image.header_address;
    for (const std::uint64_t pc : {header, header + 0x7c0, header + 0x1000, header + image->image.text_size - 1})
        lookUp(image, &cache, pc);
    zzcrash_async_symbolication_cache_free(&cache);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) return 0;
    std::memcpy(pages, data, size);
    zzcrash_async_macho_image image{};
    if (zzcrash_async_macho_image_init(&image, ZZCRASH_TASK_SELF, "fuzzed", reinterpret_cast<std::uint64_t>(pages)) ==
        ZZCRASH_ESUCCESS) {
        readImage(&image);
        zzcrash_async_macho_image_free(&image);
    }
    munmap(pages, size);
    return 0;
}
