// DWARF expressions evaluated on made-up programs, registers and memory.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_expression.h"
#include "tests/CrashReporter/Unwind/DirectByteOrder.h"
#include "tests/CrashReporter/Unwind/SectionBytes.h"

namespace {

using namespace zzcrash::ZZ::async;
using tessivar::testing::unwind::MappedSection;
using tessivar::testing::unwind::SectionBytes;

using tessivar::testing::unwind::direct;

struct Evaluation {
    zzcrash_error_t error;
    std::uint64_t value;
};

class DwarfExpression : public ::testing::Test {
protected:
    DwarfExpression() {
        zzcrash_async_thread_state_init(&state_, ZZCRASH_CPU_TYPE_X86_64);
        zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RSP, reinterpret_cast<std::uint64_t>(words_));
        zzcrash_async_thread_state_set_reg(&state_, ZZCRASH_X86_64_RAX, 40);
        zzcrash_async_memory_window_init(&memory_, ZZCRASH_TASK_SELF, nullptr, 0);
    }

    template <typename Word, typename SignedWord>
    Evaluation run(const std::vector<std::uint8_t>& code, std::vector<Word> initial = {}) {
        SectionBytes bytes;
        for (std::uint8_t b : code) bytes.u8(b);
        const MappedSection section(bytes, sizeof(Word) == 4);
        Word result = 0;
        const zzcrash_error_t error = zzcrash_async_dwarf_expression_eval<Word, SignedWord>(
            section.mobj(), &memory_, &state_, direct, static_cast<Word>(section.address()), 0, code.size(),
            initial.data(), initial.size(), &result);
        return {error, result};
    }
    Evaluation run64(const std::vector<std::uint8_t>& code, std::vector<std::uint64_t> initial = {}) {
        return run<std::uint64_t, std::int64_t>(code, std::move(initial));
    }

    std::uint64_t words_[4] = {0x1111, 0x2222, 0x3333, 0x4444};
    zzcrash_async_thread_state state_{};
    zzcrash_async_memory_window memory_{};
};

// DWARF expression opcodes.
enum : std::uint8_t {
    deref = 0x06,
    const1u = 0x08,
    const1s = 0x09,
    const2s = 0x0b,
    const4u = 0x0c,
    const8u = 0x0e,
    constu = 0x10,
    consts = 0x11,
    dup = 0x12,
    drop = 0x13,
    over = 0x14,
    pick = 0x15,
    swap = 0x16,
    rot = 0x17,
    xderef = 0x18,
    abs_ = 0x19,
    and_ = 0x1a,
    div = 0x1b,
    minus = 0x1c,
    mod = 0x1d,
    mul = 0x1e,
    neg = 0x1f,
    not_ = 0x20,
    or_ = 0x21,
    plus = 0x22,
    plus_uconst = 0x23,
    shl = 0x24,
    shr = 0x25,
    shra = 0x26,
    xor_ = 0x27,
    bra = 0x28,
    eq = 0x29,
    ge = 0x2a,
    gt = 0x2b,
    le = 0x2c,
    lt = 0x2d,
    ne = 0x2e,
    skip = 0x2f,
    lit0 = 0x30,
    breg0 = 0x70,
    breg7 = 0x77,
    bregx = 0x92,
    deref_size = 0x94,
    nop = 0x96,
    reg0 = 0x50,
    addr = 0x03,
};
constexpr std::uint8_t lit(std::uint8_t n) { return lit0 + n; }

struct ValueCase {
    const char* name;
    std::vector<std::uint8_t> code;
    std::uint64_t value;
};

TEST_F(DwarfExpression, OperationsOnSixtyFourBitWords) {
    const std::uint64_t minus1 = ~std::uint64_t{0};
    const ValueCase cases[] = {
        {"literal", {lit(31)}, 31},
        {"const1s", {const1s, 0xfe}, minus1 - 1},
        {"const2s", {const2s, 0x00, 0x80}, static_cast<std::uint64_t>(-32768)},
        {"const4u", {const4u, 0, 0, 0, 0x80}, 0x80000000},
        {"const8u", {const8u, 1, 2, 3, 4, 5, 6, 7, 8}, 0x0807060504030201},
        {"constu", {constu, 0xe5, 0x8e, 0x26}, 624485},
        {"consts", {consts, 0x7f}, minus1},
        {"dup plus", {lit(3), dup, plus}, 6},
        {"drop", {lit(1), lit(2), drop}, 1},
        {"over", {lit(1), lit(2), over}, 1},
        {"pick 2", {lit(7), lit(8), lit(9), pick, 2}, 7},
        {"swap minus", {lit(1), lit(5), swap, minus}, 4},
        {"rot", {lit(1), lit(2), lit(3), rot, drop, drop}, 3},
        {"abs", {const1s, 0xf6, abs_}, 10},
        {"and", {lit(6), lit(3), and_}, 2},
        {"signed div", {const1s, 0xf8, lit(2), div}, static_cast<std::uint64_t>(-4)},
        {"most negative by -1 wraps", {const8u, 0, 0, 0, 0, 0, 0, 0, 0x80, const1s, 0xff, div}, std::uint64_t{1} << 63},
        {"unsigned mod", {const1s, 0xff, lit(10), mod}, minus1 % 10},
        {"mul", {lit(6), lit(7), mul}, 42},
        {"neg", {lit(5), neg}, static_cast<std::uint64_t>(-5)},
        {"not", {lit(0), not_}, minus1},
        {"or xor", {lit(12), lit(10), or_, lit(1), xor_}, 15},
        {"plus_uconst", {lit(1), plus_uconst, 0x80, 0x01}, 129},
        {"shl by width wraps to 0 shift", {lit(1), constu, 64, shl}, 1},
        {"shr fills with zeros", {const1s, 0x80, lit(4), shr}, 0x0ffffffffffffff8},
        {"shra fills with the sign", {const1s, 0x80, lit(4), shra}, static_cast<std::uint64_t>(-8)},
        {"signed comparisons", {const1s, 0xff, lit(1), lt}, 1},
        {"ge eq gt le ne",
         {lit(2), lit(2), ge, lit(1), eq, lit(3), lit(2), gt, plus, lit(1), lit(2), le, plus, lit(1), lit(2), ne, plus},
         4},
        {"skip over a literal", {skip, 1, 0, lit(9), lit(4)}, 4},
        {"bra taken", {lit(1), bra, 1, 0, lit(9), lit(5)}, 5},
        {"bra not taken", {lit(7), lit(0), bra, 1, 0, lit(9), plus}, 16},
        // 3, then while the top is not 0: subtract 1 (the branch targets are
        // the body at 8 and the end at 13; the loop jumps back to the dup at 1).
        {"backward loop: 3 down to 0", {lit(3), dup, bra, 3, 0, skip, 5, 0, lit(1), minus, skip, 0xf4, 0xff}, 0},
        {"breg7 deref", {breg7, 8, deref}, 0x2222},
        {"bregx with a negative offset", {bregx, 0, 0x7e}, 38},
        {"deref_size 2", {breg7, 16, deref_size, 2}, 0x3333},
        {"xderef", {lit(0), breg7, 24, xderef}, 0x4444},
        {"nop", {lit(3), nop}, 3},
    };
    for (const ValueCase& c : cases) {
        const Evaluation result = run64(c.code);
        EXPECT_EQ(result.error, ZZCRASH_ESUCCESS) << c.name;
        EXPECT_EQ(result.value, c.value) << c.name;
    }
}

TEST_F(DwarfExpression, InitialValuesAreTheStartingStack) {
    const Evaluation result = run64({lit(1), plus}, {100, 200});
    EXPECT_EQ(result.value, 201u);
    EXPECT_EQ(run64({nop}, {7}).value, 7u);
}

TEST_F(DwarfExpression, ThirtyTwoBitWordsWrapAtTheirWidth) {
    const auto result = run<std::uint32_t, std::int32_t>({const4u, 0xff, 0xff, 0xff, 0xff, lit(2), plus});
    EXPECT_EQ(result.error, ZZCRASH_ESUCCESS);
    EXPECT_EQ(result.value, 1u);
    // Signed in 32 bits: 0xffffffff is -1, below 1.
    EXPECT_EQ((run<std::uint32_t, std::int32_t>({const4u, 0xff, 0xff, 0xff, 0xff, lit(1), lt}).value), 1u);
    EXPECT_EQ((run<std::uint32_t, std::int32_t>({lit(1), lit(31), shl, lit(31), shra}).value), 0xffffffffu);
}

struct ErrorCase {
    const char* name;
    std::vector<std::uint8_t> code;
    zzcrash_error_t error;
};

TEST_F(DwarfExpression, FailuresHaveTheirCodes) {
    zzcrash_async_thread_state_clear_reg(&state_, ZZCRASH_X86_64_RAX);
    std::vector<std::uint8_t> tooDeep(101, lit(1));
    const ErrorCase cases[] = {
        {"division by zero", {lit(1), lit(0), div}, ZZCRASH_EINVAL},
        {"modulo zero", {lit(1), lit(0), mod}, ZZCRASH_EINVAL},
        {"more than 100 values", tooDeep, ZZCRASH_EINTERNAL},
        {"empty at the end", {lit(1), drop}, ZZCRASH_EINVAL},
        {"too few values", {lit(1), plus}, ZZCRASH_EINVAL},
        {"pick below the stack", {lit(1), pick, 1}, ZZCRASH_EINVAL},
        {"operand past the end", {const4u, 1, 2}, ZZCRASH_EINVAL},
        {"branch before the start", {skip, 0xf0, 0xff}, ZZCRASH_EINVAL},
        {"branch past the end", {skip, 0x10, 0}, ZZCRASH_EINVAL},
        {"endless loop", {skip, 0xfd, 0xff}, ZZCRASH_EINVAL},
        {"register without a value", {breg0, 0}, ZZCRASH_ENOTFOUND},
        {"register without a thread register", {bregx, 17, 0}, ZZCRASH_ENOTSUP},
        {"deref_size 3", {breg7, 0, deref_size, 3}, ZZCRASH_EINVAL},
        {"deref of address 8", {lit(8), deref}, ZZCRASH_ENOTFOUND},
        {"DW_OP_addr", {addr, 0, 0, 0, 0, 0, 0, 0, 0}, ZZCRASH_ENOTSUP},
        {"DW_OP_reg0", {reg0}, ZZCRASH_ENOTSUP},
        {"LEB128 too long",
         {constu, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x01},
         ZZCRASH_ENOTSUP},
    };
    for (const ErrorCase& c : cases) EXPECT_EQ(run64(c.code).error, c.error) << c.name;
    std::vector<std::uint64_t> initial(101, 1);
    EXPECT_EQ(run64({nop}, initial).error, ZZCRASH_EINTERNAL);
}

}  // namespace
