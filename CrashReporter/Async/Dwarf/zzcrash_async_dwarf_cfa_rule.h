#pragma once
#include <cstdint>

namespace zzcrash::ZZ::async {

// How the caller's value of one register is found from the canonical frame
// address (CFA), as DWARF call-frame programs describe it.
enum zzcrash_dwarf_cfa_reg_rule_t : std::uint8_t {
    ZZCRASH_DWARF_CFA_REG_RULE_OFFSET = 0,          // saved at CFA + N
    ZZCRASH_DWARF_CFA_REG_RULE_VAL_OFFSET = 1,      // the value is CFA + N
    ZZCRASH_DWARF_CFA_REG_RULE_REGISTER = 2,        // the value is in register R
    ZZCRASH_DWARF_CFA_REG_RULE_EXPRESSION = 3,      // saved at the address the expression yields
    ZZCRASH_DWARF_CFA_REG_RULE_VAL_EXPRESSION = 4,  // the value is what the expression yields
    ZZCRASH_DWARF_CFA_REG_RULE_SAME_VALUE = 5,      // unchanged from the callee
    // DW_CFA_undefined: the caller has no value. For the return address this
    // marks the outermost frame: there is no caller to unwind to.
    ZZCRASH_DWARF_CFA_REG_RULE_UNDEFINED = 6,
};

enum dwarf_cfa_rule_type : std::uint8_t {
    DWARF_CFA_RULE_TYPE_UNDEFINED = 0,
    DWARF_CFA_RULE_TYPE_EXPRESSION = 1,       // the value an expression yields
    DWARF_CFA_RULE_TYPE_REGISTER = 2,         // register + unsigned offset
    DWARF_CFA_RULE_TYPE_REGISTER_SIGNED = 3,  // register + signed offset
};

// The rule that gives the CFA: a register plus an offset, or an expression
// (for which the fields hold the block's address and length).
template <typename machine_ptr, typename machine_ptr_s>
struct dwarf_cfa_rule {
    dwarf_cfa_rule_type type = DWARF_CFA_RULE_TYPE_UNDEFINED;
    machine_ptr reg_or_address = 0;
    machine_ptr offset_or_length = 0;

    bool is_register() const {
        return type == DWARF_CFA_RULE_TYPE_REGISTER || type == DWARF_CFA_RULE_TYPE_REGISTER_SIGNED;
    }
    std::uint32_t register_number() const { return static_cast<std::uint32_t>(reg_or_address); }
    machine_ptr_s signed_offset() const { return static_cast<machine_ptr_s>(offset_or_length); }
};

}  // namespace zzcrash::ZZ::async
