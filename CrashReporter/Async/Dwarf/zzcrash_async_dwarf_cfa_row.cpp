#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cfa_row.h"

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_encoding.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_expression.h"
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_registers.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"

namespace zzcrash::ZZ::async {

namespace {

template <typename machine_ptr, typename machine_ptr_s>
class RowApplier {
public:
    RowApplier(const dwarf_cfa_row<machine_ptr, machine_ptr_s>* row, zzcrash_async_memory_window* memory,
               const zzcrash_async_thread_state* current, const zzcrash_async_byteorder* order,
               const zzcrash_async_mobject* section)
        : row_(row), memory_(memory), current_(current), order_(order), section_(section) {}

    zzcrash_error_t apply(zzcrash_async_thread_state* next) {
        *next = *current_;
        zzcrash_async_thread_state_clear_caller_saved(next);
        ZZCRASH_TRY(computeCfa());
        zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_SP, cfa_);
        for (std::uint8_t i = 0; i < row_->count; ++i) ZZCRASH_TRY(applyRule(row_->rules[i], next));
        if (zzcrash_async_thread_state_has_reg(next, ZZCRASH_REG_IP)) return ZZCRASH_ESUCCESS;
        // A return-address column that is the pc itself (x86-64's 16, i386's
        // 8) without a rule would name this very pc as its caller's.
        std::uint32_t index = 0;
        if (!dwarf_register_index(current_, row_->return_address_register, &index) || index == ZZCRASH_REG_IP ||
            !zzcrash_async_thread_state_has_reg(current_, index))
            return ZZCRASH_EINVAL;
        zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_IP, zzcrash_async_thread_state_get_reg(current_, index));
        return ZZCRASH_ESUCCESS;
    }

private:
    using register_rule = typename dwarf_cfa_row<machine_ptr, machine_ptr_s>::register_rule;

    zzcrash_error_t computeCfa() {
        const dwarf_cfa_rule<machine_ptr, machine_ptr_s>& rule = row_->cfa;
        if (rule.type == DWARF_CFA_RULE_TYPE_EXPRESSION)
            return evaluate(rule.reg_or_address, rule.offset_or_length, nullptr, 0, &cfa_);
        if (!rule.is_register()) return ZZCRASH_EINVAL;
        std::uint32_t index = 0;
        if (!dwarf_register_index(current_, rule.register_number(), &index)) return ZZCRASH_ENOTSUP;
        if (!zzcrash_async_thread_state_has_reg(current_, index)) return ZZCRASH_ENOTFOUND;
        cfa_ = static_cast<machine_ptr>(zzcrash_async_thread_state_get_reg(current_, index) + rule.offset_or_length);
        return ZZCRASH_ESUCCESS;
    }

    // The register a rule sets: the DWARF number's, or the pc for the
    // return-address column when that has no register of its own.
    zzcrash_error_t target(std::uint32_t regnum, std::uint32_t* index) const {
        if (dwarf_register_index(current_, regnum, index)) return ZZCRASH_ESUCCESS;
        if (regnum != row_->return_address_register) return ZZCRASH_EINVAL;
        *index = ZZCRASH_REG_IP;
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t applyRule(const register_rule& rule, zzcrash_async_thread_state* next) {
        if (rule.rule > ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED) return ZZCRASH_ESUCCESS;
        const bool isReturnAddress = rule.regnum == row_->return_address_register;
        std::uint32_t index = 0;
        ZZCRASH_TRY(target(rule.regnum, &index));
        if (rule.rule == ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED) {
            if (isReturnAddress) return ZZCRASH_ENOTFOUND;
            zzcrash_async_thread_state_clear_reg(next, index);
            return ZZCRASH_ESUCCESS;
        }
        machine_ptr value = 0;
        ZZCRASH_TRY(valueOf(rule, index, &value));
        zzcrash_async_thread_state_set_reg(next, index, value);
        if (isReturnAddress) zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_IP, value);
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t valueOf(const register_rule& rule, std::uint32_t index, machine_ptr* value) {
        const auto at = static_cast<machine_ptr>(cfa_ + rule.value);
        switch (rule.rule) {
        case ZZCRASH_DWARF_CFA_REG_RULE_OFFSET: return readWord(at, value);
        case ZZCRASH_DWARF_CFA_REG_RULE_VAL_OFFSET: *value = at; return ZZCRASH_ESUCCESS;
        case ZZCRASH_DWARF_CFA_REG_RULE_REGISTER: {
            std::uint32_t source = 0;
            if (!dwarf_register_index(current_, rule.value, &source)) return ZZCRASH_EINVAL;
            return currentValue(source, value);
        }
        case ZZCRASH_DWARF_CFA_REG_RULE_SAME_VALUE: return currentValue(index, value);
        case ZZCRASH_DWARF_CFA_REG_RULE_EXPRESSION: {
            machine_ptr address = 0;
            ZZCRASH_TRY(evaluateBlock(rule.value, &address));
            return readWord(address, value);
        }
        default: return evaluateBlock(rule.value, value);  // val_expression
        }
    }

    zzcrash_error_t currentValue(std::uint32_t index, machine_ptr* value) const {
        if (!zzcrash_async_thread_state_has_reg(current_, index)) return ZZCRASH_ENOTFOUND;
        *value = static_cast<machine_ptr>(zzcrash_async_thread_state_get_reg(current_, index));
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t readWord(machine_ptr address, machine_ptr* value) {
        std::uint64_t word = 0;
        ZZCRASH_TRY(zzcrash_async_memory_window_read(memory_, order_, address, 0, sizeof(machine_ptr), &word));
        *value = static_cast<machine_ptr>(word);
        return ZZCRASH_ESUCCESS;
    }

    // A register rule's block: its ULEB128 length, then the expression,
    // evaluated with the CFA pushed.
    zzcrash_error_t evaluateBlock(machine_ptr block, machine_ptr* result) {
        std::uint64_t length = 0;
        std::uint64_t size = 0;
        if (inSection(block, 1))
            ZZCRASH_TRY(zzcrash_async_dwarf_read_uleb128(section_, block, 0, &length, &size));
        else
            ZZCRASH_TRY(zzcrash_async_dwarf_read_task_uleb128(memory_, block, 0, &length, &size));
        return evaluate(static_cast<machine_ptr>(block + size), length, &cfa_, 1, result);
    }

    bool inSection(std::uint64_t address, std::uint64_t length) const {
        return section_ && zzcrash_async_mobject_local_pointer(section_, address, 0, length) != nullptr;
    }

    // Expressions outside the section the row came from are copied from the
    // task for the evaluation, and must be readable in full. Real ones are a
    // few bytes; a corrupt length must not have a crash handler copy gigabytes.
    zzcrash_error_t evaluate(machine_ptr address, std::uint64_t length, const machine_ptr* initial, std::size_t count,
                             machine_ptr* result) {
        if (inSection(address, length))
            return zzcrash_async_dwarf_expression_eval<machine_ptr, machine_ptr_s>(
                section_, memory_, current_, order_, address, 0, length, initial, count, result);
        if (length > dwarf_expression_max_copied_bytes) return ZZCRASH_EINVAL;
        zzcrash_async_mobject copy;
        ZZCRASH_TRY(zzcrash_async_mobject_init(&copy, memory_->task, address, length, true));
        const zzcrash_error_t error = zzcrash_async_dwarf_expression_eval<machine_ptr, machine_ptr_s>(
            &copy, memory_, current_, order_, address, 0, length, initial, count, result);
        zzcrash_async_mobject_free(&copy);
        return error;
    }

    const dwarf_cfa_row<machine_ptr, machine_ptr_s>* row_;
    zzcrash_async_memory_window* memory_;
    const zzcrash_async_thread_state* current_;
    const zzcrash_async_byteorder* order_;
    const zzcrash_async_mobject* section_;
    machine_ptr cfa_ = 0;
};

}  // namespace

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_row<machine_ptr, machine_ptr_s>::uses_expressions() const {
    if (cfa.type == DWARF_CFA_RULE_TYPE_EXPRESSION) return true;
    for (std::uint8_t i = 0; i < count; ++i) {
        if (rules[i].rule == ZZCRASH_DWARF_CFA_REG_RULE_EXPRESSION ||
            rules[i].rule == ZZCRASH_DWARF_CFA_REG_RULE_VAL_EXPRESSION)
            return true;
    }
    return false;
}

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_row_apply(const dwarf_cfa_row<machine_ptr, machine_ptr_s>* row,
                                    zzcrash_async_memory_window* memory, const zzcrash_async_thread_state* current,
                                    const zzcrash_async_byteorder* byteorder, const zzcrash_async_mobject* section,
                                    zzcrash_async_thread_state* next) {
    RowApplier<machine_ptr, machine_ptr_s> applier(row, memory, current, byteorder, section);
    return applier.apply(next);
}

template struct dwarf_cfa_row<std::uint32_t, std::int32_t>;
template struct dwarf_cfa_row<std::uint64_t, std::int64_t>;
template zzcrash_error_t dwarf_cfa_row_apply<std::uint32_t, std::int32_t>(
    const dwarf_cfa_row<std::uint32_t, std::int32_t>*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, const zzcrash_async_mobject*, zzcrash_async_thread_state*);
template zzcrash_error_t dwarf_cfa_row_apply<std::uint64_t, std::int64_t>(
    const dwarf_cfa_row<std::uint64_t, std::int64_t>*, zzcrash_async_memory_window*, const zzcrash_async_thread_state*,
    const zzcrash_async_byteorder*, const zzcrash_async_mobject*, zzcrash_async_thread_state*);

}  // namespace zzcrash::ZZ::async
