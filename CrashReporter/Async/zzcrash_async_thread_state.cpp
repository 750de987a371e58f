#include "CrashReporter/Async/zzcrash_async_thread_state.h"

#include <cstddef>

#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

// Where a register lives in the record, and how wide it is there.
struct RegisterSlot {
    const char* name;
    std::size_t offset;
    std::size_t width;
    bool calleeSaved;
};

struct DwarfRow {
    std::uint64_t number;
    std::uint32_t index;
};

struct Architecture {
    const RegisterSlot* registers;
    std::uint32_t registerCount;
    const DwarfRow* dwarf;
    std::uint32_t dwarfCount;
};

using State = zzcrash_async_thread_state;
using T64 = zzcrash_x86_thread_state64;
using T32 = zzcrash_x86_thread_state32;
constexpr std::size_t ts64 = offsetof(State, thread_state.uts.ts64);
constexpr std::size_t ts32 = offsetof(State, thread_state.uts.ts32);
constexpr std::size_t es32 = offsetof(State, exception_state.ues.es32);

const RegisterSlot x86_64Registers[] = {
    {"rip", ts64 + offsetof(T64, rip), 8, false}, {"rbp", ts64 + offsetof(T64, rbp), 8, true},
    {"rsp", ts64 + offsetof(T64, rsp), 8, true},  {"rax", ts64 + offsetof(T64, rax), 8, false},
    {"rbx", ts64 + offsetof(T64, rbx), 8, true},  {"rcx", ts64 + offsetof(T64, rcx), 8, false},
    {"rdx", ts64 + offsetof(T64, rdx), 8, false}, {"rdi", ts64 + offsetof(T64, rdi), 8, false},
    {"rsi", ts64 + offsetof(T64, rsi), 8, false}, {"r8", ts64 + offsetof(T64, r8), 8, false},
    {"r9", ts64 + offsetof(T64, r9), 8, false},   {"r10", ts64 + offsetof(T64, r10), 8, false},
    {"r11", ts64 + offsetof(T64, r11), 8, false}, {"r12", ts64 + offsetof(T64, r12), 8, true},
    {"r13", ts64 + offsetof(T64, r13), 8, true},  {"r14", ts64 + offsetof(T64, r14), 8, true},
    {"r15", ts64 + offsetof(T64, r15), 8, true},  {"rflags", ts64 + offsetof(T64, rflags), 8, false},
    {"cs", ts64 + offsetof(T64, cs), 8, false},   {"fs", ts64 + offsetof(T64, fs), 8, false},
    {"gs", ts64 + offsetof(T64, gs), 8, false},
};

const RegisterSlot x86Registers[] = {
    {"eip", ts32 + offsetof(T32, eip), 4, false},
    {"ebp", ts32 + offsetof(T32, ebp), 4, true},
    {"esp", ts32 + offsetof(T32, esp), 4, true},
    {"eax", ts32 + offsetof(T32, eax), 4, false},
    {"edx", ts32 + offsetof(T32, edx), 4, false},
    {"ecx", ts32 + offsetof(T32, ecx), 4, false},
    {"ebx", ts32 + offsetof(T32, ebx), 4, true},
    {"esi", ts32 + offsetof(T32, esi), 4, true},
    {"edi", ts32 + offsetof(T32, edi), 4, true},
    {"eflags", ts32 + offsetof(T32, eflags), 4, false},
    {"trapno", es32 + offsetof(zzcrash_x86_exception_state32, trapno), 2, false},
    {"cs", ts32 + offsetof(T32, cs), 4, false},
    {"ds", ts32 + offsetof(T32, ds), 4, false},
    {"es", ts32 + offsetof(T32, es), 4, false},
    {"fs", ts32 + offsetof(T32, fs), 4, false},
    {"gs", ts32 + offsetof(T32, gs), 4, false},
};

// On x86-64 number 16, the return-address column, is the program counter:
// the GNU toolchain's PLT entries compute their CFA from it (DW_OP_breg16).
const DwarfRow x86_64Dwarf[] = {
    {0, ZZCRASH_X86_64_RAX},  {1, ZZCRASH_X86_64_RDX},     {2, ZZCRASH_X86_64_RCX},  {3, ZZCRASH_X86_64_RBX},
    {4, ZZCRASH_X86_64_RSI},  {5, ZZCRASH_X86_64_RDI},     {6, ZZCRASH_X86_64_RBP},  {7, ZZCRASH_X86_64_RSP},
    {8, ZZCRASH_X86_64_R8},   {9, ZZCRASH_X86_64_R9},      {10, ZZCRASH_X86_64_R10}, {11, ZZCRASH_X86_64_R11},
    {12, ZZCRASH_X86_64_R12}, {13, ZZCRASH_X86_64_R13},    {14, ZZCRASH_X86_64_R14}, {15, ZZCRASH_X86_64_R15},
    {16, ZZCRASH_X86_64_RIP}, {49, ZZCRASH_X86_64_RFLAGS}, {51, ZZCRASH_X86_64_CS},  {54, ZZCRASH_X86_64_FS},
    {55, ZZCRASH_X86_64_GS},
};

// On i386 the numbers 4 and 5 are ebp and esp, in that order.
const DwarfRow x86Dwarf[] = {
    {0, ZZCRASH_X86_EAX}, {1, ZZCRASH_X86_ECX}, {2, ZZCRASH_X86_EDX}, {3, ZZCRASH_X86_EBX}, {4, ZZCRASH_X86_EBP},
    {5, ZZCRASH_X86_ESP}, {6, ZZCRASH_X86_ESI}, {7, ZZCRASH_X86_EDI}, {8, ZZCRASH_X86_EIP},
};

template <class Row, std::size_t N>
constexpr std::uint32_t countOf(const Row (&)[N]) {
    return static_cast<std::uint32_t>(N);
}

const Architecture x86_64{x86_64Registers, countOf(x86_64Registers), x86_64Dwarf, countOf(x86_64Dwarf)};
const Architecture x86{x86Registers, countOf(x86Registers), x86Dwarf, countOf(x86Dwarf)};
static_assert(countOf(x86_64Registers) == ZZCRASH_X86_64_REGISTER_COUNT);
static_assert(countOf(x86Registers) == ZZCRASH_X86_REGISTER_COUNT);

const Architecture& architectureOf(const State* state) {
    return state->thread_state.flavor == ZZCRASH_X86_THREAD_STATE32 ? x86 : x86_64;
}

const RegisterSlot& slotOf(const State* state, std::uint32_t index) { return architectureOf(state).registers[index]; }

std::uint64_t bit(std::uint32_t index) { return std::uint64_t{1} << index; }

}  // namespace

zzcrash_error_t zzcrash_async_thread_state_init(State* state, int cpuType) {
    zzcrash_async_memset(state, 0, sizeof *state);
    state->stack_growth = 2;
    if (cpuType == ZZCRASH_CPU_TYPE_X86) {
        state->gpr_width = 4;
        state->thread_state = {ZZCRASH_X86_THREAD_STATE32, sizeof(T32) / 4, {}};
        state->exception_state = {ZZCRASH_X86_EXCEPTION_STATE32, sizeof(zzcrash_x86_exception_state32) / 4, {}};
        return ZZCRASH_ESUCCESS;
    }
    if (cpuType == ZZCRASH_CPU_TYPE_X86_64) {
        state->gpr_width = 8;
        state->thread_state = {ZZCRASH_X86_THREAD_STATE64, sizeof(T64) / 4, {}};
        state->exception_state = {ZZCRASH_X86_EXCEPTION_STATE64, sizeof(zzcrash_x86_exception_state64) / 4, {}};
        return ZZCRASH_ESUCCESS;
    }
    return ZZCRASH_ENOTSUP;
}

void zzcrash_async_thread_state_from_mcontext(State* state, const mcontext_t* context) {
    zzcrash_async_thread_state_init(state, ZZCRASH_CPU_TYPE_X86_64);
    state->thread_state.uts.ts64 = zzcrash_x86_thread_state64_of(context);
    state->exception_state.ues.es64 = zzcrash_x86_exception_state64_of(context);
    state->valid_mask = bit(ZZCRASH_X86_64_REGISTER_COUNT) - 1;
}

zzcrash_error_t zzcrash_async_thread_state_from_thread(State* state, zzcrash_thread_t thread) {
    const mcontext_t* context = zzcrash_thread_context_of(thread);
    if (!context) return ZZCRASH_EINTERNAL;
    zzcrash_async_thread_state_from_mcontext(state, context);
    return ZZCRASH_ESUCCESS;
}

void zzcrash_async_thread_state_copy(State* destination, const State* source) {
    zzcrash_async_memcpy(destination, source, sizeof *destination);
}

int zzcrash_async_thread_state_stack_growth(const State* state) { return state->stack_growth; }

std::uint64_t zzcrash_async_thread_state_register_width(const State* state) { return state->gpr_width; }

std::uint32_t zzcrash_async_thread_state_register_count(const State* state) {
    return architectureOf(state).registerCount;
}

const char* zzcrash_async_thread_state_register_name(const State* state, std::uint32_t index) {
    return slotOf(state, index).name;
}

bool zzcrash_async_thread_state_has_reg(const State* state, std::uint32_t index) {
    return (state->valid_mask & bit(index)) != 0;
}

std::uint64_t zzcrash_async_thread_state_get_reg(const State* state, std::uint32_t index) {
    const RegisterSlot& slot = slotOf(state, index);
    const auto* at = reinterpret_cast<const unsigned char*>(state) + slot.offset;
    std::uint64_t value = 0;  // little-endian: the low bytes come first
    zzcrash_async_memcpy(&value, at, slot.width);
    return value;
}

void zzcrash_async_thread_state_set_reg(State* state, std::uint32_t index, std::uint64_t value) {
    // Past the table the slot would be whatever follows it: a wild write.
    if (index >= architectureOf(state).registerCount) return;
    const RegisterSlot& slot = slotOf(state, index);
    zzcrash_async_memcpy(reinterpret_cast<unsigned char*>(state) + slot.offset, &value, slot.width);
    state->valid_mask |= bit(index);
}

void zzcrash_async_thread_state_clear_reg(State* state, std::uint32_t index) { state->valid_mask &= ~bit(index); }

void zzcrash_async_thread_state_clear_all(State* state) { state->valid_mask = 0; }

void zzcrash_async_thread_state_clear_caller_saved(State* state) {
    const Architecture& architecture = architectureOf(state);
    for (std::uint32_t index = 0; index < architecture.registerCount; ++index) {
        if (!architecture.registers[index].calleeSaved) zzcrash_async_thread_state_clear_reg(state, index);
    }
}

bool zzcrash_async_thread_state_register_for_dwarf_number(const State* state, std::uint64_t dwarfNumber,
                                                          std::uint32_t* index) {
    const Architecture& architecture = architectureOf(state);
    for (std::uint32_t row = 0; row < architecture.dwarfCount; ++row) {
        if (architecture.dwarf[row].number != dwarfNumber) continue;
        *index = architecture.dwarf[row].index;
        return true;
    }
    return false;
}

bool zzcrash_async_thread_state_dwarf_number_for_register(const State* state, std::uint32_t index,
                                                          std::uint64_t* dwarfNumber) {
    const Architecture& architecture = architectureOf(state);
    for (std::uint32_t row = 0; row < architecture.dwarfCount; ++row) {
        if (architecture.dwarf[row].index != index) continue;
        *dwarfNumber = architecture.dwarf[row].number;
        return true;
    }
    return false;
}
