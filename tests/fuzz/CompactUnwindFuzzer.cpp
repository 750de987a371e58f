// A Mach-O image's __unwind_info as the crash path meets it: any bytes, read
// through their memory object. Every table the reader follows is checked, so
// nothing may fault; an encoding found for a pc belongs to a function at or
// below it, every encoding decodes or is refused, and applying one reads
// only through checked copies.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_entry.h"
#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_reader.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/UnwindSection.h"

namespace {

std::uint32_t wordAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    std::uint32_t word = 0;
    if (at + 4 <= size) std::memcpy(&word, data + at, 4);
    return word;
}

void applyEncoding(int cputype, std::uint32_t encoding, std::uint64_t seed) {
    zzcrash_async_compact_unwind_entry entry;
    if (zzcrash_async_compact_unwind_entry_init(&entry, cputype, encoding) != ZZCRASH_ESUCCESS) return;
    fuzzing::check(
        zzcrash_async_compact_unwind_entry_saved_register_count(&entry) <= ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS,
        "at most 10 saved registers");
    if (cputype != ZZCRASH_CPU_TYPE_X86_64) return;  // ARM64 entries are decoded, never applied
    std::uint64_t stack[64];
    zzcrash_async_thread_state current;
    zzcrash_async_thread_state next;
    fuzzing::fuzzedState(&current, stack, 64, seed);
    zzcrash_async_memory_window memory;
    zzcrash_async_memory_window_init(&memory, ZZCRASH_TASK_SELF, nullptr, 0);
    zzcrash_async_compact_unwind_entry_apply(&memory, reinterpret_cast<std::uint64_t>(stack), &current, &entry, &next);
}

void checkPermutation(std::uint32_t permutation, std::uint32_t count) {
    std::uint32_t registers[6] = {};
    if (zzcrash_async_compact_unwind_decode_register_permutation(permutation, count, registers) != ZZCRASH_ESUCCESS ||
        count == 0)
        return;
    fuzzing::check(zzcrash_async_compact_unwind_encode_register_permutation(registers, count) == permutation,
                   "a decoded permutation encodes back to its number");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    const int cpus[] = {ZZCRASH_CPU_TYPE_X86_64, ZZCRASH_CPU_TYPE_X86, ZZCRASH_CPU_TYPE_ARM64};
    const int cputype = cpus[data[size - 1] % 3];
    const std::uint64_t seed = wordAt(data, size, size - 4);
    for (std::size_t at = 0; at + 4 <= size && at < 256; at += 4) {
        applyEncoding(cputype, wordAt(data, size, at), seed);
        checkPermutation(wordAt(data, size, at) & 0x3ff, (wordAt(data, size, at) >> 10) & 7);
    }
    const fuzzing::UnwindSection section(data, size);
    zzcrash_async_compact_unwind_reader reader;
    if (!section.mapped() ||
        zzcrash_async_compact_unwind_reader_init(&reader, section.mobj(), cputype) != ZZCRASH_ESUCCESS)
        return 0;
    // The first-level entries' own offsets, the byte after each and one far beyond.
    for (std::size_t at = 36; at < size && at < 36 + 12 * 8; at += 12) {
        for (std::uint64_t pc : {std::uint64_t{wordAt(data, size, at)}, std::uint64_t{wordAt(data, size, at)} + 1,
                                 std::uint64_t{0xffffffff}}) {
            std::uint64_t function = 0;
            std::uint32_t encoding = 0;
            if (zzcrash_async_compact_unwind_reader_find_pc(&reader, pc, &function, &encoding) != ZZCRASH_ESUCCESS)
                continue;
            fuzzing::check(function <= pc, "the function found starts at or below the pc");
            applyEncoding(cputype, encoding, seed);
        }
    }
    return 0;
}
