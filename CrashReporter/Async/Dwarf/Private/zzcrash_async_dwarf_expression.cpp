#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_expression.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_registers.h"
#include "CrashReporter/Async/Private/zzcrash_async_byte_cursor.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"

namespace zzcrash::ZZ::async {

namespace {

// DWARF expression opcodes that call-frame information uses.
enum : std::uint8_t {
    DW_OP_deref = 0x06,
    DW_OP_const1u = 0x08,
    DW_OP_const8s = 0x0f,
    DW_OP_constu = 0x10,
    DW_OP_consts = 0x11,
    DW_OP_dup = 0x12,
    DW_OP_drop = 0x13,
    DW_OP_over = 0x14,
    DW_OP_pick = 0x15,
    DW_OP_swap = 0x16,
    DW_OP_rot = 0x17,
    DW_OP_xderef = 0x18,
    DW_OP_abs = 0x19,
    DW_OP_and = 0x1a,
    DW_OP_div = 0x1b,
    DW_OP_minus = 0x1c,
    DW_OP_mod = 0x1d,
    DW_OP_mul = 0x1e,
    DW_OP_neg = 0x1f,
    DW_OP_not = 0x20,
    DW_OP_or = 0x21,
    DW_OP_plus = 0x22,
    DW_OP_plus_uconst = 0x23,
    DW_OP_shl = 0x24,
    DW_OP_shr = 0x25,
    DW_OP_shra = 0x26,
    DW_OP_xor = 0x27,
    DW_OP_bra = 0x28,
    DW_OP_eq = 0x29,
    DW_OP_ge = 0x2a,
    DW_OP_gt = 0x2b,
    DW_OP_le = 0x2c,
    DW_OP_lt = 0x2d,
    DW_OP_ne = 0x2e,
    DW_OP_skip = 0x2f,
    DW_OP_lit0 = 0x30,
    DW_OP_lit31 = 0x4f,
    DW_OP_breg0 = 0x70,
    DW_OP_breg31 = 0x8f,
    DW_OP_bregx = 0x92,
    DW_OP_deref_size = 0x94,
    DW_OP_xderef_size = 0x95,
    DW_OP_nop = 0x96,
};

template <typename machine_ptr, typename machine_ptr_s>
class Evaluator {
public:
    Evaluator(zzcrash_async_memory_window* memory, const zzcrash_async_thread_state* state,
              const zzcrash_async_byteorder* order)
        : memory_(memory), state_(state), order_(order) {}

    zzcrash_error_t push(machine_ptr value) {
        if (depth_ == dwarf_expression_stack_size) return ZZCRASH_EINTERNAL;
        stack_[depth_++] = value;
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t run(byte_cursor* code, machine_ptr* result) {
        for (std::size_t steps = 0; !code->at_end(); ++steps) {
            if (steps == dwarf_expression_max_steps) return ZZCRASH_EINVAL;
            std::uint8_t opcode = 0;
            ZZCRASH_TRY(code->byte(&opcode));
            ZZCRASH_TRY(step(opcode, code));
        }
        if (depth_ == 0) return ZZCRASH_EINVAL;
        *result = stack_[depth_ - 1];
        return ZZCRASH_ESUCCESS;
    }

private:
    static constexpr unsigned width_bits = sizeof(machine_ptr) * 8;

    zzcrash_error_t need(std::size_t count) const { return depth_ >= count ? ZZCRASH_ESUCCESS : ZZCRASH_EINVAL; }
    machine_ptr& top(std::size_t below = 0) { return stack_[depth_ - 1 - below]; }
    machine_ptr pop() { return stack_[--depth_]; }

    zzcrash_error_t step(std::uint8_t opcode, byte_cursor* code) {
        if (opcode >= DW_OP_lit0 && opcode <= DW_OP_lit31) return push(static_cast<machine_ptr>(opcode - DW_OP_lit0));
        if (opcode >= DW_OP_breg0 && opcode <= DW_OP_breg31) return pushRegister(opcode - DW_OP_breg0, code);
        if (opcode >= DW_OP_const1u && opcode <= DW_OP_const8s) return pushConstant(opcode, code);
        if (opcode >= DW_OP_dup && opcode <= DW_OP_rot) return stackOperation(opcode, code);
        if (opcode >= DW_OP_eq && opcode <= DW_OP_ne) return compare(opcode);
        switch (opcode) {
        case DW_OP_nop: return ZZCRASH_ESUCCESS;
        case DW_OP_constu: {
            std::uint64_t value = 0;
            ZZCRASH_TRY(code->uleb(&value));
            return push(static_cast<machine_ptr>(value));
        }
        case DW_OP_consts: {
            std::int64_t value = 0;
            ZZCRASH_TRY(code->sleb(&value));
            return push(static_cast<machine_ptr>(value));
        }
        case DW_OP_bregx: {
            std::uint64_t regnum = 0;
            ZZCRASH_TRY(code->uleb(&regnum));
            return pushRegister(regnum, code);
        }
        case DW_OP_deref: return dereference(sizeof(machine_ptr), false);
        case DW_OP_xderef: return dereference(sizeof(machine_ptr), true);
        case DW_OP_deref_size:
        case DW_OP_xderef_size: {
            std::uint8_t size = 0;
            ZZCRASH_TRY(code->byte(&size));
            if (size != 1 && size != 2 && size != 4 && size != 8) return ZZCRASH_EINVAL;
            return dereference(size, opcode == DW_OP_xderef_size);
        }
        case DW_OP_plus_uconst: {
            std::uint64_t value = 0;
            ZZCRASH_TRY(code->uleb(&value));
            ZZCRASH_TRY(need(1));
            top() = static_cast<machine_ptr>(top() + value);
            return ZZCRASH_ESUCCESS;
        }
        case DW_OP_skip:
        case DW_OP_bra: return branch(opcode == DW_OP_bra, code);
        default: return arithmetic(opcode);
        }
    }

    zzcrash_error_t pushRegister(std::uint64_t regnum, byte_cursor* code) {
        std::int64_t offset = 0;
        ZZCRASH_TRY(code->sleb(&offset));
        std::uint32_t index = 0;
        if (!dwarf_register_index(state_, regnum, &index)) return ZZCRASH_ENOTSUP;
        if (!zzcrash_async_thread_state_has_reg(state_, index)) return ZZCRASH_ENOTFOUND;
        const std::uint64_t value = zzcrash_async_thread_state_get_reg(state_, index);
        return push(static_cast<machine_ptr>(value + static_cast<std::uint64_t>(offset)));
    }

    // DW_OP_const1u to DW_OP_const8s: the operand's size doubles every two
    // opcodes, the odd ones are signed.
    zzcrash_error_t pushConstant(std::uint8_t opcode, byte_cursor* code) {
        const unsigned sizeIndex = (opcode - DW_OP_const1u) / 2;
        const std::uint64_t size = std::uint64_t{1} << sizeIndex;
        std::uint64_t value = 0;
        ZZCRASH_TRY(code->sized(order_, size, &value));
        if ((opcode - DW_OP_const1u) % 2 == 1 && size < 8) {
            const std::uint64_t sign = std::uint64_t{1} << (size * 8 - 1);
            value = (value ^ sign) - sign;
        }
        return push(static_cast<machine_ptr>(value));
    }

    zzcrash_error_t stackOperation(std::uint8_t opcode, byte_cursor* code) {
        switch (opcode) {
        case DW_OP_dup: ZZCRASH_TRY(need(1)); return push(top());
        case DW_OP_drop:
            ZZCRASH_TRY(need(1));
            --depth_;
            return ZZCRASH_ESUCCESS;
        case DW_OP_over: ZZCRASH_TRY(need(2)); return push(top(1));
        case DW_OP_pick: {
            std::uint8_t index = 0;
            ZZCRASH_TRY(code->byte(&index));
            ZZCRASH_TRY(need(std::size_t{index} + 1));
            return push(top(index));
        }
        case DW_OP_swap: {
            ZZCRASH_TRY(need(2));
            const machine_ptr first = top();
            top() = top(1);
            top(1) = first;
            return ZZCRASH_ESUCCESS;
        }
        default: {  // DW_OP_rot: the top moves below the next two
            ZZCRASH_TRY(need(3));
            const machine_ptr first = top();
            top() = top(1);
            top(1) = top(2);
            top(2) = first;
            return ZZCRASH_ESUCCESS;
        }
        }
    }

    zzcrash_error_t dereference(std::uint64_t size, bool withAddressSpace) {
        ZZCRASH_TRY(need(withAddressSpace ? 2 : 1));
        const machine_ptr address = pop();
        if (withAddressSpace) pop();  // one address space here
        std::uint64_t value = 0;
        ZZCRASH_TRY(zzcrash_async_memory_window_read(memory_, order_, address, 0, size, &value));
        return push(static_cast<machine_ptr>(value));
    }

    zzcrash_error_t branch(bool conditional, byte_cursor* code) {
        std::uint64_t raw = 0;
        ZZCRASH_TRY(code->sized(order_, 2, &raw));
        const auto delta = static_cast<std::int16_t>(raw);
        bool taken = true;
        if (conditional) {
            ZZCRASH_TRY(need(1));
            taken = pop() != 0;
        }
        if (taken && !code->jump(delta)) return ZZCRASH_EINVAL;
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t compare(std::uint8_t opcode) {
        ZZCRASH_TRY(need(2));
        const auto right = static_cast<machine_ptr_s>(pop());
        const auto left = static_cast<machine_ptr_s>(pop());
        bool holds = false;
        switch (opcode) {
        case DW_OP_eq: holds = left == right; break;
        case DW_OP_ge: holds = left >= right; break;
        case DW_OP_gt: holds = left > right; break;
        case DW_OP_le: holds = left <= right; break;
        case DW_OP_lt: holds = left < right; break;
        default: holds = left != right; break;
        }
        return push(holds ? 1 : 0);
    }

    zzcrash_error_t unary(std::uint8_t opcode) {
        ZZCRASH_TRY(need(1));
        const machine_ptr value = top();
        const auto negated = static_cast<machine_ptr>(machine_ptr{0} - value);
        if (opcode == DW_OP_not)
            top() = static_cast<machine_ptr>(~value);
        else if (opcode == DW_OP_neg)
            top() = negated;
        else
            top() = static_cast<machine_ptr_s>(value) < 0 ? negated : value;  // DW_OP_abs
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t arithmetic(std::uint8_t opcode) {
        if (opcode == DW_OP_abs || opcode == DW_OP_neg || opcode == DW_OP_not) return unary(opcode);
        if (!isBinary(opcode)) return ZZCRASH_ENOTSUP;
        ZZCRASH_TRY(need(2));
        const machine_ptr right = pop();
        const machine_ptr left = pop();
        machine_ptr value = 0;
        ZZCRASH_TRY(binary(opcode, left, right, &value));
        return push(value);
    }

    static bool isBinary(std::uint8_t opcode) {
        switch (opcode) {
        case DW_OP_and:
        case DW_OP_div:
        case DW_OP_minus:
        case DW_OP_mod:
        case DW_OP_mul:
        case DW_OP_or:
        case DW_OP_plus:
        case DW_OP_shl:
        case DW_OP_shr:
        case DW_OP_shra:
        case DW_OP_xor: return true;
        default: return false;
        }
    }

    static zzcrash_error_t binary(std::uint8_t opcode, machine_ptr left, machine_ptr right, machine_ptr* out) {
        const unsigned shift = static_cast<unsigned>(right % width_bits);
        switch (opcode) {
        case DW_OP_and: *out = left & right; break;
        case DW_OP_minus: *out = static_cast<machine_ptr>(left - right); break;
        case DW_OP_mul: *out = static_cast<machine_ptr>(left * right); break;
        case DW_OP_or: *out = left | right; break;
        case DW_OP_plus: *out = static_cast<machine_ptr>(left + right); break;
        case DW_OP_xor: *out = left ^ right; break;
        case DW_OP_shl: *out = static_cast<machine_ptr>(left << shift); break;
        case DW_OP_shr: *out = static_cast<machine_ptr>(left >> shift); break;
        case DW_OP_shra: *out = static_cast<machine_ptr>(static_cast<machine_ptr_s>(left) >> shift); break;
        case DW_OP_mod:
            if (right == 0) return ZZCRASH_EINVAL;
            *out = left % right;
            break;
        default: return divide(left, right, out);
        }
        return ZZCRASH_ESUCCESS;
    }

    // Signed division; the one quotient that does not fit (the most negative
    // value by -1) wraps to itself, as the negation does.
    static zzcrash_error_t divide(machine_ptr left, machine_ptr right, machine_ptr* out) {
        if (right == 0) return ZZCRASH_EINVAL;
        const auto divisor = static_cast<machine_ptr_s>(right);
        if (divisor == -1) {
            *out = static_cast<machine_ptr>(machine_ptr{0} - left);
            return ZZCRASH_ESUCCESS;
        }
        *out = static_cast<machine_ptr>(static_cast<machine_ptr_s>(left) / divisor);
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_async_memory_window* memory_;
    const zzcrash_async_thread_state* state_;
    const zzcrash_async_byteorder* order_;
    machine_ptr stack_[dwarf_expression_stack_size];
    std::size_t depth_ = 0;
};

}  // namespace

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t zzcrash_async_dwarf_expression_eval(
    const zzcrash_async_mobject* mobj, zzcrash_async_memory_window* memory, const zzcrash_async_thread_state* state,
    const zzcrash_async_byteorder* byteorder, machine_ptr address, std::int64_t offset, std::uint64_t length,
    const machine_ptr* initial, std::size_t count, machine_ptr* result) {
    byte_cursor code;
    if (!code.open(mobj, address, offset, length)) return ZZCRASH_EINVAL;
    Evaluator<machine_ptr, machine_ptr_s> evaluator(memory, state, byteorder);
    for (std::size_t i = 0; i < count; ++i) ZZCRASH_TRY(evaluator.push(initial[i]));
    return evaluator.run(&code, result);
}

template zzcrash_error_t zzcrash_async_dwarf_expression_eval<std::uint32_t, std::int32_t>(
    const zzcrash_async_mobject*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, std::uint32_t, std::int64_t, std::uint64_t, const std::uint32_t*, std::size_t,
    std::uint32_t*);
template zzcrash_error_t zzcrash_async_dwarf_expression_eval<std::uint64_t, std::int64_t>(
    const zzcrash_async_mobject*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, std::uint64_t, std::int64_t, std::uint64_t, const std::uint64_t*, std::size_t,
    std::uint64_t*);

}  // namespace zzcrash::ZZ::async
