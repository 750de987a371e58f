// Call-frame information as the crash path meets it: any bytes read as an
// eh_frame or debug_frame section (the first byte chooses which, and the
// pointer width), searched for the FDEs of a few pcs whose programs are run
// and applied to a register state; and the same bytes evaluated as a DWARF
// expression. Every read is checked and every loop bounded, so nothing may
// fault or hang; an FDE found covers its pc.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_expression.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_frame_reader.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/UnwindSection.h"

namespace {

using namespace zzcrash::ZZ::async;

const zzcrash_async_byteorder* const direct = &zzcrash_async_byteorder_direct;

struct Unwinding {
    const fuzzing::UnwindSection* section;
    bool debugFrame;
    std::uint64_t seed;
};

template <typename machine_ptr, typename machine_ptr_s>
void unwindAt(const Unwinding& unwinding, std::uint64_t pc) {
    const zzcrash_async_mobject* mobj = unwinding.section->mobj();
    zzcrash_async_dwarf_frame_reader reader;
    zzcrash_async_dwarf_frame_reader_init(&reader, mobj, direct, sizeof(machine_ptr) == 8, unwinding.debugFrame);
    zzcrash_async_dwarf_fde_info fde;
    if (zzcrash_async_dwarf_frame_reader_find_fde(&reader, 0, pc, &fde) != ZZCRASH_ESUCCESS) return;
    fuzzing::check(fde.pc_start <= pc && pc < fde.pc_end, "the FDE found covers the pc");
    const auto base = static_cast<machine_ptr>(unwinding.section->address());
    const gnu_ehptr_reader<machine_ptr> pointers(direct);
    zzcrash_async_dwarf_cie_info cie;
    if (zzcrash_async_dwarf_cie_info_init<machine_ptr>(
            &cie, mobj, direct, &pointers, static_cast<machine_ptr>(base + fde.cie_offset)) != ZZCRASH_ESUCCESS)
        return;
    dwarf_cfa_state<machine_ptr, machine_ptr_s> rules;
    const auto at = static_cast<machine_ptr>(pc);
    const auto start = static_cast<machine_ptr>(fde.pc_start);
    if (rules.eval_program(mobj, at, start, &cie, &pointers, direct, base,
                           static_cast<std::int64_t>(cie.initial_instructions_offset),
                           cie.initial_instructions_length) != ZZCRASH_ESUCCESS ||
        rules.eval_program(mobj, at, start, &cie, &pointers, direct, base,
                           static_cast<std::int64_t>(fde.instructions_offset),
                           fde.instructions_length) != ZZCRASH_ESUCCESS)
        return;
    fuzzing::check(rules.get_register_count() <= 100, "at most 100 rules");
    std::uint64_t stack[64];
    zzcrash_async_thread_state current;
    zzcrash_async_thread_state next;
    fuzzing::fuzzedState(&current, stack, 64, unwinding.seed);
    zzcrash_async_memory_window memory;
    zzcrash_async_memory_window_init(&memory, ZZCRASH_TASK_SELF, nullptr, 0);
    rules.apply_state(&memory, &cie, &current, direct, mobj, &next);
}

std::uint64_t wordAt(const std::uint8_t* data, std::size_t size, std::size_t at) {
    std::uint64_t word = 0;
    if (at + 8 <= size) std::memcpy(&word, data + at, 8);
    return word;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const fuzzing::UnwindSection section(data + 1, size - 1);
    if (!section.mapped()) return 0;
    const Unwinding unwinding{&section, (data[0] & 1) != 0, wordAt(data, size, size >= 9 ? size - 8 : 0)};
    // pcs from where a first FDE after a 24-byte CIE keeps its start (at
    // 0x20): absolute, and pc-relative as eh_frame stores it.
    const std::uint64_t stored = wordAt(data, size, 1 + 0x20);
    const auto relative = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(stored)));
    const std::uint64_t candidates[] = {stored, section.address() + 0x20 + relative,
                                        section.address() + 0x20 + relative + 1, 0};
    for (std::uint64_t pc : candidates) {
        if (data[0] & 2)
            unwindAt<std::uint32_t, std::int32_t>(unwinding, pc);
        else
            unwindAt<std::uint64_t, std::int64_t>(unwinding, pc);
    }
    std::uint64_t stack[64];
    zzcrash_async_thread_state state;
    fuzzing::fuzzedState(&state, stack, 64, unwinding.seed);
    zzcrash_async_memory_window memory;
    zzcrash_async_memory_window_init(&memory, ZZCRASH_TASK_SELF, nullptr, 0);
    std::uint64_t result = 0;
    const std::uint64_t initial = unwinding.seed;
    zzcrash_async_dwarf_expression_eval<std::uint64_t, std::int64_t>(
        section.mobj(), &memory, &state, direct, section.address(), 0, size - 1, &initial, 1, &result);
    return 0;
}
