// Running call-frame programs: the CIE's initial instructions, then the FDE's,
// up to the pc being unwound.
#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"
#include "CrashReporter/Async/Private/zzcrash_async_byte_cursor.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"

namespace zzcrash::ZZ::async {

namespace {

enum : std::uint8_t {
    DW_CFA_nop = 0x00,
    DW_CFA_set_loc = 0x01,
    DW_CFA_advance_loc1 = 0x02,
    DW_CFA_advance_loc2 = 0x03,
    DW_CFA_advance_loc4 = 0x04,
    DW_CFA_offset_extended = 0x05,
    DW_CFA_restore_extended = 0x06,
    DW_CFA_undefined = 0x07,
    DW_CFA_same_value = 0x08,
    DW_CFA_register = 0x09,
    DW_CFA_remember_state = 0x0a,
    DW_CFA_restore_state = 0x0b,
    DW_CFA_def_cfa = 0x0c,
    DW_CFA_def_cfa_register = 0x0d,
    DW_CFA_def_cfa_offset = 0x0e,
    DW_CFA_def_cfa_expression = 0x0f,
    DW_CFA_expression = 0x10,
    DW_CFA_offset_extended_sf = 0x11,
    DW_CFA_def_cfa_sf = 0x12,
    DW_CFA_def_cfa_offset_sf = 0x13,
    DW_CFA_val_offset = 0x14,
    DW_CFA_val_offset_sf = 0x15,
    DW_CFA_val_expression = 0x16,
    // The GNU toolchain's: the size of the arguments pushed for a call. It
    // changes no rule, and the system's C++ library uses it.
    DW_CFA_GNU_args_size = 0x2e,
    DW_CFA_advance_loc = 0x40,
    DW_CFA_offset = 0x80,
    DW_CFA_restore = 0xc0,
};

template <typename machine_ptr, typename machine_ptr_s>
class ProgramRunner {
public:
    using state_type = dwarf_cfa_state<machine_ptr, machine_ptr_s>;

    ProgramRunner(state_type* state, const state_type* initial, const zzcrash_async_mobject* mobj,
                  const zzcrash_async_dwarf_cie_info* cie, const gnu_ehptr_reader<machine_ptr>* ptrReader,
                  const zzcrash_async_byteorder* order, byte_cursor* code)
        : state_(state), initial_(initial), mobj_(mobj), cie_(cie), ptrReader_(ptrReader), order_(order), code_(code) {}

    zzcrash_error_t run(machine_ptr pc, machine_ptr location) {
        location_ = location;
        while (!code_->at_end()) {
            if (pc != 0 && pc < location_) return ZZCRASH_ESUCCESS;
            std::uint8_t opcode = 0;
            ZZCRASH_TRY(code_->byte(&opcode));
            ZZCRASH_TRY(step(opcode));
        }
        return ZZCRASH_ESUCCESS;
    }

private:
    zzcrash_error_t step(std::uint8_t opcode) {
        const std::uint8_t low = opcode & 0x3f;
        switch (opcode & 0xc0) {
        case DW_CFA_advance_loc: return advance(low);
        case DW_CFA_offset: return offsetRule(low, ZZCRASH_DWARF_CFA_REG_RULE_OFFSET, false);
        case DW_CFA_restore: return state_->restore_register(low, *initial_);
        default: return extended(opcode);
        }
    }

    zzcrash_error_t extended(std::uint8_t opcode) {
        std::uint32_t regnum = 0;
        switch (opcode) {
        case DW_CFA_nop: return ZZCRASH_ESUCCESS;
        case DW_CFA_set_loc: return setLocation();
        case DW_CFA_advance_loc1: return advanceSized(1);
        case DW_CFA_advance_loc2: return advanceSized(2);
        case DW_CFA_advance_loc4: return advanceSized(4);
        case DW_CFA_offset_extended: return offsetRuleAt(ZZCRASH_DWARF_CFA_REG_RULE_OFFSET, false);
        case DW_CFA_offset_extended_sf: return offsetRuleAt(ZZCRASH_DWARF_CFA_REG_RULE_OFFSET, true);
        case DW_CFA_val_offset: return offsetRuleAt(ZZCRASH_DWARF_CFA_REG_RULE_VAL_OFFSET, false);
        case DW_CFA_val_offset_sf: return offsetRuleAt(ZZCRASH_DWARF_CFA_REG_RULE_VAL_OFFSET, true);
        case DW_CFA_restore_extended:
            ZZCRASH_TRY(registerNumber(&regnum));
            return state_->restore_register(regnum, *initial_);
        case DW_CFA_undefined:
            ZZCRASH_TRY(registerNumber(&regnum));
            return rule(regnum, ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED, 0);
        case DW_CFA_same_value:
            ZZCRASH_TRY(registerNumber(&regnum));
            return rule(regnum, ZZCRASH_DWARF_CFA_REG_RULE_SAME_VALUE, 0);
        case DW_CFA_register: {
            std::uint32_t source = 0;
            ZZCRASH_TRY(registerNumber(&regnum));
            ZZCRASH_TRY(registerNumber(&source));
            return rule(regnum, ZZCRASH_DWARF_CFA_REG_RULE_REGISTER, source);
        }
        case DW_CFA_remember_state: return state_->push_state() ? ZZCRASH_ESUCCESS : ZZCRASH_ENOMEM;
        case DW_CFA_restore_state: return state_->pop_state() ? ZZCRASH_ESUCCESS : ZZCRASH_EINVAL;
        case DW_CFA_expression:
        case DW_CFA_val_expression: return expressionRule(opcode);
        case DW_CFA_GNU_args_size: {
            std::uint64_t ignored = 0;
            return code_->uleb(&ignored);
        }
        default: return cfaRule(opcode);
        }
    }

    zzcrash_error_t cfaRule(std::uint8_t opcode) {
        std::uint32_t regnum = 0;
        std::uint64_t offset = 0;
        std::int64_t signedOffset = 0;
        const dwarf_cfa_rule<machine_ptr, machine_ptr_s> cfa = state_->get_cfa_rule();
        switch (opcode) {
        case DW_CFA_def_cfa:
            ZZCRASH_TRY(registerNumber(&regnum));
            ZZCRASH_TRY(code_->uleb(&offset));
            state_->set_cfa_register(regnum, static_cast<machine_ptr>(offset));
            return ZZCRASH_ESUCCESS;
        case DW_CFA_def_cfa_sf:
            ZZCRASH_TRY(registerNumber(&regnum));
            ZZCRASH_TRY(code_->sleb(&signedOffset));
            state_->set_cfa_register_signed(regnum, static_cast<machine_ptr_s>(factored(signedOffset)));
            return ZZCRASH_ESUCCESS;
        case DW_CFA_def_cfa_register:
            ZZCRASH_TRY(registerNumber(&regnum));
            if (!cfa.is_register()) return ZZCRASH_EINVAL;
            if (cfa.type == DWARF_CFA_RULE_TYPE_REGISTER)
                state_->set_cfa_register(regnum, cfa.offset_or_length);
            else
                state_->set_cfa_register_signed(regnum, cfa.signed_offset());
            return ZZCRASH_ESUCCESS;
        case DW_CFA_def_cfa_offset:
            ZZCRASH_TRY(code_->uleb(&offset));
            if (!cfa.is_register()) return ZZCRASH_EINVAL;
            state_->set_cfa_register(cfa.register_number(), static_cast<machine_ptr>(offset));
            return ZZCRASH_ESUCCESS;
        case DW_CFA_def_cfa_offset_sf:
            ZZCRASH_TRY(code_->sleb(&signedOffset));
            if (!cfa.is_register()) return ZZCRASH_EINVAL;
            state_->set_cfa_register_signed(cfa.register_number(), static_cast<machine_ptr_s>(factored(signedOffset)));
            return ZZCRASH_ESUCCESS;
        case DW_CFA_def_cfa_expression: {
            std::uint64_t length = 0;
            ZZCRASH_TRY(code_->uleb(&length));
            const std::uint64_t address = code_->address();
            ZZCRASH_TRY(code_->skip(length));
            state_->set_cfa_expression(static_cast<machine_ptr>(address), length);
            return ZZCRASH_ESUCCESS;
        }
        default: return ZZCRASH_ENOTSUP;
        }
    }

    // A register number: ULEB128, and a thread state's registers are counted in 32 bits.
    zzcrash_error_t registerNumber(std::uint32_t* regnum) {
        std::uint64_t value = 0;
        ZZCRASH_TRY(code_->uleb(&value));
        if (value > 0xffffffffu) return ZZCRASH_ENOTSUP;
        *regnum = static_cast<std::uint32_t>(value);
        return ZZCRASH_ESUCCESS;
    }

    std::uint64_t factored(std::int64_t value) const {
        return static_cast<std::uint64_t>(value) * static_cast<std::uint64_t>(cie_->data_alignment_factor);
    }

    zzcrash_error_t rule(std::uint32_t regnum, zzcrash_dwarf_cfa_reg_rule_t kind, std::uint64_t value) {
        return state_->set_register(regnum, kind, static_cast<machine_ptr>(value)) ? ZZCRASH_ESUCCESS : ZZCRASH_ENOMEM;
    }

    // An offset operand, unsigned or signed, times the data alignment.
    zzcrash_error_t offsetRule(std::uint32_t regnum, zzcrash_dwarf_cfa_reg_rule_t kind, bool isSigned) {
        std::int64_t offset = 0;
        if (isSigned) {
            ZZCRASH_TRY(code_->sleb(&offset));
        } else {
            std::uint64_t unsignedOffset = 0;
            ZZCRASH_TRY(code_->uleb(&unsignedOffset));
            offset = static_cast<std::int64_t>(unsignedOffset);
        }
        return rule(regnum, kind, factored(offset));
    }

    zzcrash_error_t offsetRuleAt(zzcrash_dwarf_cfa_reg_rule_t kind, bool isSigned) {
        std::uint32_t regnum = 0;
        ZZCRASH_TRY(registerNumber(&regnum));
        return offsetRule(regnum, kind, isSigned);
    }

    // The rule keeps the address of the block (its length, then the bytes).
    zzcrash_error_t expressionRule(std::uint8_t opcode) {
        std::uint32_t regnum = 0;
        std::uint64_t length = 0;
        ZZCRASH_TRY(registerNumber(&regnum));
        const std::uint64_t block = code_->address();
        ZZCRASH_TRY(code_->uleb(&length));
        ZZCRASH_TRY(code_->skip(length));
        const auto kind = opcode == DW_CFA_expression ? ZZCRASH_DWARF_CFA_REG_RULE_EXPRESSION
                                                      : ZZCRASH_DWARF_CFA_REG_RULE_VAL_EXPRESSION;
        return rule(regnum, kind, block);
    }

    zzcrash_error_t advance(std::uint64_t delta) {
        location_ = static_cast<machine_ptr>(location_ + delta * cie_->code_alignment_factor);
        return ZZCRASH_ESUCCESS;
    }

    zzcrash_error_t advanceSized(std::uint64_t size) {
        std::uint64_t delta = 0;
        ZZCRASH_TRY(code_->sized(order_, size, &delta));
        return advance(delta);
    }

    zzcrash_error_t setLocation() {
        if (cie_->segment_size != 0) return ZZCRASH_ENOTSUP;
        const zzcrash_async_dwarf_eh_augmentation& augmentation = cie_->eh_augmentation;
        DW_EH_PE encoding = DW_EH_PE_absptr;
        if (ptrReader_ && augmentation.has_eh_augmentation && augmentation.has_pointer_encoding)
            encoding = static_cast<DW_EH_PE>(augmentation.pointer_encoding);
        const gnu_ehptr_reader<machine_ptr> plain(order_);
        const gnu_ehptr_reader<machine_ptr>* reader = ptrReader_ ? ptrReader_ : &plain;
        machine_ptr location = 0;
        std::uint64_t size = 0;
        if (reader->read(mobj_, static_cast<machine_ptr>(code_->address()), 0, encoding, &location, &size) !=
                ZZCRASH_ESUCCESS ||
            code_->skip(size) != ZZCRASH_ESUCCESS)
            return ZZCRASH_EINVAL;
        location_ = location;
        return ZZCRASH_ESUCCESS;
    }

    state_type* state_;
    const state_type* initial_;
    const zzcrash_async_mobject* mobj_;
    const zzcrash_async_dwarf_cie_info* cie_;
    const gnu_ehptr_reader<machine_ptr>* ptrReader_;
    const zzcrash_async_byteorder* order_;
    byte_cursor* code_;
    machine_ptr location_ = 0;
};

}  // namespace

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::restore_register(std::uint32_t regnum,
                                                                              const dwarf_cfa_state& initial) {
    zzcrash_dwarf_cfa_reg_rule_t rule{};
    machine_ptr value = 0;
    if (!initial.get_register_rule(regnum, &rule, &value)) {
        remove_register(regnum);
        return ZZCRASH_ESUCCESS;
    }
    return set_register(regnum, rule, value) ? ZZCRASH_ESUCCESS : ZZCRASH_ENOMEM;
}

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::eval_program(
    const zzcrash_async_mobject* mobj, machine_ptr pc, machine_ptr initial_location,
    const zzcrash_async_dwarf_cie_info* cie, const gnu_ehptr_reader<machine_ptr>* ptr_reader,
    const zzcrash_async_byteorder* byteorder, machine_ptr address, std::int64_t offset, std::uint64_t length) {
    dwarf_cfa_state initial;
    if (!initial.copy_rules_from(*this)) return ZZCRASH_ENOMEM;
    byte_cursor code;
    if (!code.open(mobj, address, offset, length)) return ZZCRASH_EINVAL;
    ProgramRunner<machine_ptr, machine_ptr_s> runner(this, &initial, mobj, cie, ptr_reader, byteorder, &code);
    return runner.run(pc, initial_location);
}

template zzcrash_error_t dwarf_cfa_state<std::uint32_t, std::int32_t>::eval_program(
    const zzcrash_async_mobject*, std::uint32_t, std::uint32_t, const zzcrash_async_dwarf_cie_info*,
    const gnu_ehptr_reader<std::uint32_t>*, const zzcrash_async_byteorder*, std::uint32_t, std::int64_t, std::uint64_t);
template zzcrash_error_t dwarf_cfa_state<std::uint64_t, std::int64_t>::eval_program(
    const zzcrash_async_mobject*, std::uint64_t, std::uint64_t, const zzcrash_async_dwarf_cie_info*,
    const gnu_ehptr_reader<std::uint64_t>*, const zzcrash_async_byteorder*, std::uint64_t, std::int64_t, std::uint64_t);
template zzcrash_error_t dwarf_cfa_state<std::uint32_t, std::int32_t>::restore_register(std::uint32_t,
                                                                                        const dwarf_cfa_state&);
template zzcrash_error_t dwarf_cfa_state<std::uint64_t, std::int64_t>::restore_register(std::uint32_t,
                                                                                        const dwarf_cfa_state&);

}  // namespace zzcrash::ZZ::async
