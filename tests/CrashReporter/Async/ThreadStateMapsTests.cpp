#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_thread_state.h"

namespace {

using State = zzcrash_async_thread_state;

State stateOf(int cpuType) {
    State state;
    EXPECT_EQ(zzcrash_async_thread_state_init(&state, cpuType), ZZCRASH_ESUCCESS);
    return state;
}

TEST(ThreadStateInit, SetsTheLayoutOfEachCpuTypeAndRefusesOthers) {
    struct Layout {
        int cpuType;
        std::uint32_t flavor, count, exceptionFlavor, exceptionCount;
        std::uint64_t width;
        std::uint32_t registers;
    };
    const Layout layouts[] = {{ZZCRASH_CPU_TYPE_X86, 1, 16, 3, 3, 4, 16},
                              {ZZCRASH_CPU_TYPE_X86_64, 4, 42, 6, 4, 8, 21}};
    for (const Layout& layout : layouts) {
        const State state = stateOf(layout.cpuType);
        EXPECT_EQ(state.thread_state.flavor, layout.flavor);
        EXPECT_EQ(state.thread_state.count, layout.count);
        EXPECT_EQ(state.exception_state.flavor, layout.exceptionFlavor);
        EXPECT_EQ(state.exception_state.count, layout.exceptionCount);
        EXPECT_EQ(zzcrash_async_thread_state_register_width(&state), layout.width);
        EXPECT_EQ(zzcrash_async_thread_state_register_count(&state), layout.registers);
        EXPECT_EQ(zzcrash_async_thread_state_stack_growth(&state), 2);
        EXPECT_EQ(state.valid_mask, 0u);
    }
    State arm;
    EXPECT_EQ(zzcrash_async_thread_state_init(&arm, 12), ZZCRASH_ENOTSUP);
}

// Each index reaches the register its name says, in the kernel's layout.
TEST(ThreadStateRegisters, IndexNameAndStoredFieldAgreeOnX86_64) {
    struct Row {
        const char* name;
        std::uint64_t zzcrash_x86_thread_state64::*field;
    };
    using T = zzcrash_x86_thread_state64;
    const Row rows[] = {{"rip", &T::rip}, {"rbp", &T::rbp}, {"rsp", &T::rsp},       {"rax", &T::rax}, {"rbx", &T::rbx},
                        {"rcx", &T::rcx}, {"rdx", &T::rdx}, {"rdi", &T::rdi},       {"rsi", &T::rsi}, {"r8", &T::r8},
                        {"r9", &T::r9},   {"r10", &T::r10}, {"r11", &T::r11},       {"r12", &T::r12}, {"r13", &T::r13},
                        {"r14", &T::r14}, {"r15", &T::r15}, {"rflags", &T::rflags}, {"cs", &T::cs},   {"fs", &T::fs},
                        {"gs", &T::gs}};
    State state = stateOf(ZZCRASH_CPU_TYPE_X86_64);
    ASSERT_EQ(std::size(rows), zzcrash_async_thread_state_register_count(&state));
    for (std::uint32_t index = 0; index < std::size(rows); ++index) {
        const std::uint64_t value = 0x1000000000000000u + index * 0x0101;
        zzcrash_async_thread_state_set_reg(&state, index, value);
        EXPECT_STREQ(zzcrash_async_thread_state_register_name(&state, index), rows[index].name);
        EXPECT_EQ(state.thread_state.uts.ts64.*rows[index].field, value) << rows[index].name;
        EXPECT_EQ(zzcrash_async_thread_state_get_reg(&state, index), value) << rows[index].name;
    }
    EXPECT_EQ(state.valid_mask, (std::uint64_t{1} << 21) - 1);
}

// Values are cut to 32 bits, and the trap number (kept in the exception
// state) to 16; note the order eax, edx, ecx, ebx.
TEST(ThreadStateRegisters, IndexNameAndStoredFieldAgreeOnI386) {
    using T = zzcrash_x86_thread_state32;
    struct Row {
        const char* name;
        std::uint32_t T::*field;
    };
    const Row rows[] = {{"eip", &T::eip}, {"ebp", &T::ebp},       {"esp", &T::esp},    {"eax", &T::eax},
                        {"edx", &T::edx}, {"ecx", &T::ecx},       {"ebx", &T::ebx},    {"esi", &T::esi},
                        {"edi", &T::edi}, {"eflags", &T::eflags}, {"trapno", nullptr}, {"cs", &T::cs},
                        {"ds", &T::ds},   {"es", &T::es},         {"fs", &T::fs},      {"gs", &T::gs}};
    State state = stateOf(ZZCRASH_CPU_TYPE_X86);
    ASSERT_EQ(std::size(rows), zzcrash_async_thread_state_register_count(&state));
    for (std::uint32_t index = 0; index < std::size(rows); ++index) {
        zzcrash_async_thread_state_set_reg(&state, index, 0xAB00000000 + index * 0x01010101u);
        EXPECT_STREQ(zzcrash_async_thread_state_register_name(&state, index), rows[index].name);
        const std::uint64_t stored =
            rows[index].field ? state.thread_state.uts.ts32.*rows[index].field : state.exception_state.ues.es32.trapno;
        const std::uint64_t expected = (0xAB00000000 + index * 0x01010101u) & (rows[index].field ? 0xFFFFFFFF : 0xFFFF);
        EXPECT_EQ(stored, expected) << rows[index].name;
        EXPECT_EQ(zzcrash_async_thread_state_get_reg(&state, index), expected) << rows[index].name;
    }
}

TEST(ThreadStateRegisters, ValidBitsFollowSetAndClear) {
    State state = stateOf(ZZCRASH_CPU_TYPE_X86_64);
    zzcrash_async_thread_state_set_reg(&state, ZZCRASH_X86_64_RAX, 7);
    EXPECT_EQ(state.valid_mask, 1u << 3);
    EXPECT_TRUE(zzcrash_async_thread_state_has_reg(&state, 3));
    EXPECT_FALSE(zzcrash_async_thread_state_has_reg(&state, 0));
    zzcrash_async_thread_state_clear_reg(&state, ZZCRASH_X86_64_RAX);
    EXPECT_FALSE(zzcrash_async_thread_state_has_reg(&state, 3));
    EXPECT_EQ(zzcrash_async_thread_state_get_reg(&state, ZZCRASH_X86_64_RAX), 7u);  // the value stays
    zzcrash_async_thread_state_set_reg(&state, ZZCRASH_X86_64_RIP, 1);
    State copy;
    zzcrash_async_thread_state_copy(&copy, &state);
    zzcrash_async_thread_state_clear_all(&state);
    EXPECT_EQ(state.valid_mask, 0u);
    EXPECT_EQ(copy.valid_mask, 1u);
    EXPECT_EQ(zzcrash_async_thread_state_get_reg(&copy, ZZCRASH_X86_64_RAX), 7u);
}

// Register numbers of another CPU (ARM64's run to 32) name no slot here.
TEST(ThreadStateRegisters, SettingAnIndexPastTheRegisterCountChangesNothing) {
    for (int cpuType : {ZZCRASH_CPU_TYPE_X86_64, ZZCRASH_CPU_TYPE_X86}) {
        State state = stateOf(cpuType);
        const State before = state;
        for (std::uint32_t index = zzcrash_async_thread_state_register_count(&state); index <= 40; ++index)
            zzcrash_async_thread_state_set_reg(&state, index, ~std::uint64_t{0});
        EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0) << cpuType;
    }
}

std::uint64_t allValid(const State& state) {
    return (std::uint64_t{1} << zzcrash_async_thread_state_register_count(&state)) - 1;
}

// What survives a call: only what the callee must preserve.
TEST(ThreadStateRegisters, ClearCallerSavedKeepsOnlyCalleeSavedRegisters) {
    State x64 = stateOf(ZZCRASH_CPU_TYPE_X86_64);
    x64.valid_mask = allValid(x64);
    zzcrash_async_thread_state_clear_caller_saved(&x64);
    EXPECT_EQ(x64.valid_mask, (1u << 1) | (1u << 2) | (1u << 4) | (1u << 13) | (1u << 14) | (1u << 15) | (1u << 16));
    State x86 = stateOf(ZZCRASH_CPU_TYPE_X86);
    x86.valid_mask = allValid(x86);
    zzcrash_async_thread_state_clear_caller_saved(&x86);
    EXPECT_EQ(x86.valid_mask, (1u << ZZCRASH_X86_EBX) | (1u << ZZCRASH_X86_EBP) | (1u << ZZCRASH_X86_ESI) |
                                  (1u << ZZCRASH_X86_EDI) | (1u << ZZCRASH_X86_ESP));
}

// The psABI numbering of each architecture, both ways; x86-64's return-address
// column 16 is the program counter.
TEST(ThreadStateRegisters, DwarfNumbersMapBothWays) {
    struct Row {
        int cpuType;
        std::uint64_t dwarf;
        const char* name;  // null: no register
    };
    const Row rows[] = {
        {ZZCRASH_CPU_TYPE_X86_64, 0, "rax"},    {ZZCRASH_CPU_TYPE_X86_64, 1, "rdx"},
        {ZZCRASH_CPU_TYPE_X86_64, 2, "rcx"},    {ZZCRASH_CPU_TYPE_X86_64, 3, "rbx"},
        {ZZCRASH_CPU_TYPE_X86_64, 4, "rsi"},    {ZZCRASH_CPU_TYPE_X86_64, 5, "rdi"},
        {ZZCRASH_CPU_TYPE_X86_64, 6, "rbp"},    {ZZCRASH_CPU_TYPE_X86_64, 7, "rsp"},
        {ZZCRASH_CPU_TYPE_X86_64, 8, "r8"},     {ZZCRASH_CPU_TYPE_X86_64, 12, "r12"},
        {ZZCRASH_CPU_TYPE_X86_64, 15, "r15"},   {ZZCRASH_CPU_TYPE_X86_64, 16, "rip"},
        {ZZCRASH_CPU_TYPE_X86_64, 17, nullptr}, {ZZCRASH_CPU_TYPE_X86_64, 49, "rflags"},
        {ZZCRASH_CPU_TYPE_X86_64, 50, nullptr}, {ZZCRASH_CPU_TYPE_X86_64, 51, "cs"},
        {ZZCRASH_CPU_TYPE_X86_64, 54, "fs"},    {ZZCRASH_CPU_TYPE_X86_64, 55, "gs"},
        {ZZCRASH_CPU_TYPE_X86, 0, "eax"},       {ZZCRASH_CPU_TYPE_X86, 1, "ecx"},
        {ZZCRASH_CPU_TYPE_X86, 2, "edx"},       {ZZCRASH_CPU_TYPE_X86, 3, "ebx"},
        {ZZCRASH_CPU_TYPE_X86, 4, "ebp"},       {ZZCRASH_CPU_TYPE_X86, 5, "esp"},
        {ZZCRASH_CPU_TYPE_X86, 6, "esi"},       {ZZCRASH_CPU_TYPE_X86, 7, "edi"},
        {ZZCRASH_CPU_TYPE_X86, 8, "eip"},       {ZZCRASH_CPU_TYPE_X86, 9, nullptr},
        {ZZCRASH_CPU_TYPE_X86, 49, nullptr},
    };
    for (const Row& row : rows) {
        const State state = stateOf(row.cpuType);
        std::uint32_t index = 99;
        const bool found = zzcrash_async_thread_state_register_for_dwarf_number(&state, row.dwarf, &index);
        EXPECT_EQ(found, row.name != nullptr) << row.cpuType << " " << row.dwarf;
        if (!found) continue;
        EXPECT_STREQ(zzcrash_async_thread_state_register_name(&state, index), row.name);
        std::uint64_t back = 99;
        EXPECT_TRUE(zzcrash_async_thread_state_dwarf_number_for_register(&state, index, &back));
        EXPECT_EQ(back, row.dwarf) << row.name;
    }
}

}  // namespace
