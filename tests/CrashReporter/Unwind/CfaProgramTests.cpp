// Call-frame programs run into a rule state, and rule states applied to real
// register states and stack memory.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"
#include "tests/CrashReporter/Unwind/DirectByteOrder.h"
#include "tests/CrashReporter/Unwind/SectionBytes.h"

namespace {

using namespace zzcrash::ZZ::async;
using tessivar::testing::unwind::MappedSection;
using tessivar::testing::unwind::SectionBytes;
using State = dwarf_cfa_state<std::uint64_t, std::int64_t>;

using tessivar::testing::unwind::direct;

// DWARF register numbers of x86-64.
constexpr std::uint8_t rbx = 3, rbp = 6, rsp = 7, ra = 16;
constexpr std::uint8_t advance(std::uint8_t delta) { return 0x40 | delta; }
constexpr std::uint8_t offset(std::uint8_t reg) { return 0x80 | reg; }
constexpr std::uint8_t restore(std::uint8_t reg) { return 0xc0 | reg; }
enum : std::uint8_t {
    set_loc = 0x01,
    advance_loc1 = 0x02,
    offset_extended = 0x05,
    undefined = 0x07,
    same_value = 0x08,
    register_rule = 0x09,
    remember_state = 0x0a,
    restore_state = 0x0b,
    def_cfa = 0x0c,
    def_cfa_register = 0x0d,
    def_cfa_offset = 0x0e,
    def_cfa_expression = 0x0f,
    expression = 0x10,
    def_cfa_sf = 0x12,
    val_offset = 0x14,
    val_expression = 0x16,
    gnu_args_size = 0x2e,
};

zzcrash_async_dwarf_cie_info x86Cie() {
    zzcrash_async_dwarf_cie_info cie{};
    cie.code_alignment_factor = 1;
    cie.data_alignment_factor = -8;
    cie.return_address_register = ra;
    return cie;
}

// A program in a section of its own, run up to a pc from location 0x1000.
struct Program {
    explicit Program(std::vector<std::uint8_t> code) {
        for (std::uint8_t b : code) bytes.u8(b);
        section = std::make_unique<MappedSection>(bytes);
    }
    zzcrash_error_t run(State* state, std::uint64_t pc, const zzcrash_async_dwarf_cie_info& cie = x86Cie()) const {
        return state->eval_program(section->mobj(), pc, 0x1000, &cie, nullptr, direct, section->address(), 0,
                                   bytes.size());
    }
    SectionBytes bytes;
    std::unique_ptr<MappedSection> section;
};

// The usual x86-64 prologue: the CIE's def_cfa(rsp, 8) and offset(ra, 1),
// then push rbp (1 byte) and mov rsp, rbp (3 bytes).
const std::vector<std::uint8_t> prologue = {
    def_cfa, rsp, 8, offset(ra), 1, advance(1), def_cfa_offset, 16, offset(rbp), 2, advance(3), def_cfa_register, rbp};

struct Rule {
    zzcrash_dwarf_cfa_reg_rule_t rule;
    std::uint64_t value;
};

Rule ruleOf(const State& state, std::uint32_t reg) {
    Rule rule{ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED, 0xdead};
    if (!state.get_register_rule(reg, &rule.rule, &rule.value))
        rule.rule = static_cast<zzcrash_dwarf_cfa_reg_rule_t>(0xff);
    return rule;
}

constexpr auto none = static_cast<zzcrash_dwarf_cfa_reg_rule_t>(0xff);

TEST(DwarfCfaProgram, PrologueRowsByPc) {
    const Program program(prologue);
    struct Row {
        std::uint64_t pc;
        std::uint32_t cfaRegister;
        std::int64_t cfaOffset;
        bool rbpSaved;
    };
    const Row rows[] = {{0x1000, rsp, 8, false}, {0x1001, rsp, 16, true}, {0x1003, rsp, 16, true},
                        {0x1004, rbp, 16, true}, {0x1fff, rbp, 16, true}, {0, rbp, 16, true}};
    for (const Row& row : rows) {
        State state;
        ASSERT_EQ(program.run(&state, row.pc), ZZCRASH_ESUCCESS);
        const auto cfa = state.get_cfa_rule();
        EXPECT_EQ(cfa.type, DWARF_CFA_RULE_TYPE_REGISTER) << row.pc;
        EXPECT_EQ(cfa.register_number(), row.cfaRegister) << row.pc;
        EXPECT_EQ(cfa.signed_offset(), row.cfaOffset) << row.pc;
        EXPECT_EQ(ruleOf(state, ra).value, static_cast<std::uint64_t>(-8)) << row.pc;
        EXPECT_EQ(ruleOf(state, rbp).rule, row.rbpSaved ? ZZCRASH_DWARF_CFA_REG_RULE_OFFSET : none) << row.pc;
    }
}

TEST(DwarfCfaProgram, RememberAndRestoreStateIncludeTheCfa) {
    const Program program({def_cfa, rsp, 8, offset(ra), 1, advance(1), remember_state, def_cfa_offset, 32, offset(rbx),
                           3, advance(1), restore_state});
    State between;
    ASSERT_EQ(program.run(&between, 0x1001), ZZCRASH_ESUCCESS);
    EXPECT_EQ(between.get_cfa_rule().signed_offset(), 32);
    EXPECT_EQ(ruleOf(between, rbx).value, static_cast<std::uint64_t>(-24));
    EXPECT_EQ(ruleOf(between, ra).rule, ZZCRASH_DWARF_CFA_REG_RULE_OFFSET);
    State after;
    ASSERT_EQ(program.run(&after, 0x1002), ZZCRASH_ESUCCESS);
    EXPECT_EQ(after.get_cfa_rule().signed_offset(), 8);
    EXPECT_EQ(ruleOf(after, rbx).rule, none);
    EXPECT_EQ(after.get_register_count(), 1);
}

TEST(DwarfCfaProgram, NestingIsLimitedToFiveRememberedStates) {
    State fiveDeep;
    EXPECT_EQ(
        Program({remember_state, remember_state, remember_state, remember_state, remember_state}).run(&fiveDeep, 0),
        ZZCRASH_ESUCCESS);
    State sixDeep;
    EXPECT_EQ(Program(std::vector<std::uint8_t>(6, remember_state)).run(&sixDeep, 0), ZZCRASH_ENOMEM);
    State unbalanced;
    EXPECT_EQ(Program({restore_state}).run(&unbalanced, 0), ZZCRASH_EINVAL);
}

// Functions with many early returns remember and restore the state once per
// return; the rules each remembered level took go back to the pool.
TEST(DwarfCfaProgram, RememberRestorePairsDoNotUseUpThePool) {
    std::vector<std::uint8_t> code = {def_cfa, rsp, 8, offset(ra), 1, offset(rbx), 2, offset(rbp), 3};
    for (int i = 0; i < 200; ++i) {
        code.insert(code.end(), {remember_state, def_cfa_offset, 16, restore_state});
    }
    State state;
    ASSERT_EQ(Program(code).run(&state, 0), ZZCRASH_ESUCCESS);
    EXPECT_EQ(state.get_register_count(), 3);
}

TEST(DwarfCfaProgram, ThePoolHoldsOneHundredRules) {
    std::vector<std::uint8_t> code;
    for (std::uint8_t reg = 0; reg < 100; ++reg) code.insert(code.end(), {offset_extended, reg, 1});
    State full;
    ASSERT_EQ(Program(code).run(&full, 0), ZZCRASH_ESUCCESS);
    EXPECT_EQ(full.get_register_count(), 100);
    code.insert(code.end(), {offset_extended, 100, 1});
    State overfull;
    EXPECT_EQ(Program(code).run(&overfull, 0), ZZCRASH_ENOMEM);
    // A level of 60 rules cannot be remembered: the pool has 40 left.
    std::vector<std::uint8_t> sixty;
    for (std::uint8_t reg = 0; reg < 60; ++reg) sixty.insert(sixty.end(), {offset_extended, reg, 1});
    sixty.push_back(remember_state);
    State remembered;
    EXPECT_EQ(Program(sixty).run(&remembered, 0), ZZCRASH_ENOMEM);
}

TEST(DwarfCfaProgram, RestoreReturnsToTheRulesTheProgramStartedWith) {
    State state;
    ASSERT_EQ(Program({def_cfa, rsp, 8, offset(rbx), 2}).run(&state, 0), ZZCRASH_ESUCCESS);
    // The FDE's program: rbx and rbp get rules, then both are restored.
    ASSERT_EQ(Program({offset(rbx), 5, offset(rbp), 3, restore(rbx), restore(rbp)}).run(&state, 0), ZZCRASH_ESUCCESS);
    EXPECT_EQ(ruleOf(state, rbx).value, static_cast<std::uint64_t>(-16));
    EXPECT_EQ(ruleOf(state, rbp).rule, none);
}

// The system's C++ library records the size of pushed arguments: an opcode
// that changes no rule and must not stop the program.
TEST(DwarfCfaProgram, GnuArgsSizeIsSkipped) {
    State state;
    ASSERT_EQ(Program({def_cfa, rsp, 8, gnu_args_size, 0x90, 0x01, def_cfa_offset, 24}).run(&state, 0),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(state.get_cfa_rule().signed_offset(), 24);
}

struct ProgramError {
    const char* name;
    std::vector<std::uint8_t> code;
    zzcrash_error_t error;
};

TEST(DwarfCfaProgram, MalformedAndUnsupportedPrograms) {
    const ProgramError cases[] = {
        {"vendor opcode", {0x17}, ZZCRASH_ENOTSUP},
        {"register above 32 bits", {same_value, 0x80, 0x80, 0x80, 0x80, 0x10}, ZZCRASH_ENOTSUP},
        {"operand past the end", {def_cfa, rsp}, ZZCRASH_EINVAL},
        {"def_cfa_register without a CFA", {def_cfa_register, rbp}, ZZCRASH_EINVAL},
        {"def_cfa_offset after an expression CFA", {def_cfa_expression, 1, 0x96, def_cfa_offset, 8}, ZZCRASH_EINVAL},
        {"expression past the end", {expression, rbx, 5, 0x96}, ZZCRASH_EINVAL},
        {"advance past the end", {advance_loc1}, ZZCRASH_EINVAL},
    };
    for (const ProgramError& c : cases) {
        State state;
        EXPECT_EQ(Program(c.code).run(&state, 0), c.error) << c.name;
    }
}

TEST(DwarfCfaProgram, SetLocMovesTheLocationUnlessSegmented) {
    std::vector<std::uint8_t> code = {def_cfa, rsp, 8, set_loc};
    for (int i = 0; i < 8; ++i) code.push_back(static_cast<std::uint8_t>(std::uint64_t{0x2000} >> (8 * i)));
    code.insert(code.end(), {def_cfa_offset, 16});
    State before;
    ASSERT_EQ(Program(code).run(&before, 0x1fff), ZZCRASH_ESUCCESS);
    EXPECT_EQ(before.get_cfa_rule().signed_offset(), 8);
    State after;
    ASSERT_EQ(Program(code).run(&after, 0x2000), ZZCRASH_ESUCCESS);
    EXPECT_EQ(after.get_cfa_rule().signed_offset(), 16);
    zzcrash_async_dwarf_cie_info segmented = x86Cie();
    segmented.segment_size = 2;
    State refused;
    EXPECT_EQ(Program(code).run(&refused, 0, segmented), ZZCRASH_ENOTSUP);
}

TEST(DwarfCfaProgram, CodeAlignmentScalesAdvances) {
    zzcrash_async_dwarf_cie_info cie = x86Cie();
    cie.code_alignment_factor = 4;
    const Program program({def_cfa, rsp, 0, advance(2), def_cfa_offset, 16});
    State early;
    ASSERT_EQ(program.run(&early, 0x1007, cie), ZZCRASH_ESUCCESS);
    EXPECT_EQ(early.get_cfa_rule().signed_offset(), 0);
    State late;
    ASSERT_EQ(program.run(&late, 0x1008, cie), ZZCRASH_ESUCCESS);
    EXPECT_EQ(late.get_cfa_rule().signed_offset(), 16);
}

// A thread state on a made-up stack: rsp and rbp point into `stack`.
class Frame : public ::testing::Test {
protected:
    Frame() {
        zzcrash_async_thread_state_init(&current_, ZZCRASH_CPU_TYPE_X86_64);
        zzcrash_async_memory_window_init(&memory_, ZZCRASH_TASK_SELF, nullptr, 0);
        for (std::size_t i = 0; i < 16; ++i) stack_[i] = 0x1000 + i;
        set(ZZCRASH_X86_64_RSP, at(0));
        set(ZZCRASH_X86_64_RBP, at(4));
        set(ZZCRASH_X86_64_RIP, 0x5000);
        set(ZZCRASH_X86_64_RBX, 0xb);
        set(ZZCRASH_X86_64_RAX, 0xa);
    }
    std::uint64_t at(std::size_t slot) const { return reinterpret_cast<std::uint64_t>(&stack_[slot]); }
    void set(std::uint32_t index, std::uint64_t value) { zzcrash_async_thread_state_set_reg(&current_, index, value); }
    std::uint64_t get(std::uint32_t index) const { return zzcrash_async_thread_state_get_reg(&next_, index); }
    bool has(std::uint32_t index) const { return zzcrash_async_thread_state_has_reg(&next_, index); }

    zzcrash_error_t apply(const std::vector<std::uint8_t>& code, std::uint64_t pc = 0) {
        const Program program(code);
        State state;
        const zzcrash_async_dwarf_cie_info cie = x86Cie();
        const zzcrash_error_t error = program.run(&state, pc);
        if (error != ZZCRASH_ESUCCESS) return error;
        return state.apply_state(&memory_, &cie, &current_, direct, program.section->mobj(), &next_);
    }

    std::uint64_t stack_[16];
    zzcrash_async_thread_state current_{};
    zzcrash_async_thread_state next_{};
    zzcrash_async_memory_window memory_{};
};

TEST_F(Frame, PrologueBodyUnwindsThroughTheFramePointer) {
    ASSERT_EQ(apply(prologue, 0x1004), ZZCRASH_ESUCCESS);
    // CFA = rbp + 16 = slot 6; rbp was saved at CFA - 16, the return address at CFA - 8.
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(6));
    EXPECT_EQ(get(ZZCRASH_X86_64_RBP), stack_[4]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[5]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RBX), 0xbu);  // callee-saved, no rule: unchanged
    EXPECT_FALSE(has(ZZCRASH_X86_64_RAX));     // caller-saved: unknown in the caller
}

TEST_F(Frame, EachRuleKindGivesTheCallersValue) {
    // The expressions start from the CFA and add 8 or 0x20 to it (DW_OP_plus_uconst).
    ASSERT_EQ(apply({def_cfa,    rsp, 16, offset(ra), 1, val_offset,     rbx, 1, register_rule, 12,  0, same_value, rbp,
                     expression, 13,  2,  0x23,       8, val_expression, 14,  2, 0x23,          0x20}),
              ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(2));
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[1]);
    EXPECT_EQ(get(ZZCRASH_X86_64_RBX), at(1));         // val_offset: CFA - 8
    EXPECT_EQ(get(ZZCRASH_X86_64_R12), 0xau);          // register(rax)
    EXPECT_EQ(get(ZZCRASH_X86_64_RBP), at(4));         // same value
    EXPECT_EQ(get(ZZCRASH_X86_64_R13), stack_[3]);     // [CFA + 8]
    EXPECT_EQ(get(ZZCRASH_X86_64_R14), at(2) + 0x20);  // CFA + 0x20
}

TEST_F(Frame, CfaFromAnExpression) {
    // CFA = [rsp + 8] (DW_OP_breg7 8, DW_OP_deref): the word in slot 1.
    stack_[1] = at(8);
    ASSERT_EQ(apply({def_cfa_expression, 3, 0x77, 8, 0x06, offset(ra), 1}), ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(8));
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[7]);
}

struct ApplyError {
    const char* name;
    std::vector<std::uint8_t> code;
    zzcrash_error_t error;
};

TEST_F(Frame, RulesThatCannotBeApplied) {
    zzcrash_async_thread_state_clear_reg(&current_, ZZCRASH_X86_64_RBX);
    const ApplyError cases[] = {
        {"no CFA", {offset(ra), 1}, ZZCRASH_EINVAL},
        {"CFA register without a thread register", {def_cfa, 17, 8, offset(ra), 1}, ZZCRASH_ENOTSUP},
        {"CFA register without a value", {def_cfa, rbx, 8, offset(ra), 1}, ZZCRASH_ENOTFOUND},
        {"rule for a vector register", {def_cfa, rsp, 8, offset(ra), 1, offset(17), 2}, ZZCRASH_EINVAL},
        {"register rule from a register without a value", {def_cfa, rsp, 8, register_rule, ra, rbx}, ZZCRASH_ENOTFOUND},
        {"same value of a register without a value",
         {def_cfa, rsp, 8, offset(ra), 1, same_value, rbx},
         ZZCRASH_ENOTFOUND},
        {"no return address", {def_cfa, rsp, 8}, ZZCRASH_EINVAL},
        // DW_CFA_undefined on the return address marks the outermost frame.
        {"undefined return address", {def_cfa, rsp, 8, undefined, ra}, ZZCRASH_ENOTFOUND},
        {"saved slot unreadable", {def_cfa, rsp, 8, offset(ra), 0x80, 0x80, 0x80, 0x80, 0x80, 0x10}, ZZCRASH_ENOTFOUND},
    };
    for (const ApplyError& c : cases) EXPECT_EQ(apply(c.code), c.error) << c.name;
}

// A row kept without its section (as the cache keeps rows) has its CFA
// expression copied from the task's memory, up to a bound.
TEST_F(Frame, ExpressionsOutsideTheSectionAreCopiedFromTheTask) {
    static const std::uint8_t cfaExpression[] = {0x77, 8, 0x06};  // DW_OP_breg7 8, DW_OP_deref
    stack_[1] = at(8);
    dwarf_cfa_row<std::uint64_t, std::int64_t> row{};
    row.cfa = {DWARF_CFA_RULE_TYPE_EXPRESSION, reinterpret_cast<std::uint64_t>(cfaExpression), sizeof cfaExpression};
    row.count = 1;
    row.rules[0] = {ra, ZZCRASH_DWARF_CFA_REG_RULE_OFFSET, static_cast<std::uint64_t>(-8)};
    row.return_address_register = ra;
    ASSERT_EQ(dwarf_cfa_row_apply(&row, &memory_, &current_, direct, nullptr, &next_), ZZCRASH_ESUCCESS);
    EXPECT_EQ(get(ZZCRASH_X86_64_RSP), at(8));
    EXPECT_EQ(get(ZZCRASH_X86_64_RIP), stack_[7]);
    row.cfa.offset_or_length = 1 << 20;
    EXPECT_EQ(dwarf_cfa_row_apply(&row, &memory_, &current_, direct, nullptr, &next_), ZZCRASH_EINVAL);
}

TEST_F(Frame, UndefinedCalleeSavedRegisterHasNoValueInTheCaller) {
    ASSERT_EQ(apply({def_cfa, rsp, 8, offset(ra), 1, undefined, rbx}), ZZCRASH_ESUCCESS);
    EXPECT_FALSE(has(ZZCRASH_X86_64_RBX));
    EXPECT_TRUE(has(ZZCRASH_X86_64_RBP));
}

}  // namespace
