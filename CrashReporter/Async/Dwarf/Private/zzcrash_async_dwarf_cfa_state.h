#pragma once
#include <cstddef>
#include <cstdint>

#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cfa_row.h"
#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cfa_rule.h"
#include "CrashReporter/Async/Dwarf/zzcrash_async_dwarf_cie_info.h"
#include "CrashReporter/Async/Dwarf/zzcrash_async_gnu_ehptr_reader.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_memory_window.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_async_thread_state.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

template <typename machine_ptr, typename machine_ptr_s>
class dwarf_cfa_state_iterator;

// The rules of one unwind step, in fixed tables (nothing is allocated): the
// current level and up to 5 levels saved by DW_CFA_remember_state, each with
// its CFA rule and its register rules hashed by DWARF number into 14
// buckets, all levels drawing on one pool of 100 rule entries. Filled by the
// CIE's program, then the FDE's, then applied to a thread state.
template <typename machine_ptr, typename machine_ptr_s>
class dwarf_cfa_state {
public:
    static constexpr std::uint8_t max_rules = 100;
    static constexpr std::uint8_t max_levels = 6;
    static constexpr std::uint8_t bucket_count = 14;

    dwarf_cfa_state();

    // Sets the register's rule in the current level; false when the pool is empty.
    bool set_register(std::uint32_t regnum, zzcrash_dwarf_cfa_reg_rule_t rule, machine_ptr value);
    bool get_register_rule(std::uint32_t regnum, zzcrash_dwarf_cfa_reg_rule_t* rule, machine_ptr* value) const;
    void remove_register(std::uint32_t regnum);
    std::uint8_t get_register_count() const;

    void set_cfa_register(std::uint32_t regnum, machine_ptr offset);
    void set_cfa_register_signed(std::uint32_t regnum, machine_ptr_s offset);
    void set_cfa_expression(machine_ptr address, std::size_t length);
    dwarf_cfa_rule<machine_ptr, machine_ptr_s> get_cfa_rule() const;

    // DW_CFA_restore: the register's rule in `initial`, or none when it has
    // none there; error 3 when the pool is empty.
    zzcrash_error_t restore_register(std::uint32_t regnum, const dwarf_cfa_state& initial);

    // DW_CFA_remember_state: false at the last level or when the pool cannot
    // hold a copy of the current rules.
    bool push_state();
    // DW_CFA_restore_state: false at level 0. The popped level's entries go
    // back to the pool, so remember/restore pairs can repeat without end.
    bool pop_state();

    // Runs the call-frame program [address + offset, + length) of the section
    // `mobj` from `initial_location` until the location passes `pc` (pc 0:
    // the whole program). DW_CFA_restore returns a register to the rule it
    // had when the program started. Error 3 when the tables are full, 4 for
    // an unsupported opcode or a register number above 32 bits, 5 for a
    // malformed program or operands outside it.
    zzcrash_error_t eval_program(const zzcrash_async_mobject* mobj, machine_ptr pc, machine_ptr initial_location,
                                 const zzcrash_async_dwarf_cie_info* cie,
                                 const gnu_ehptr_reader<machine_ptr>* ptr_reader,
                                 const zzcrash_async_byteorder* byteorder, machine_ptr address, std::int64_t offset,
                                 std::uint64_t length);

    // The current level as a row (error 5 when it has more register rules
    // than a row holds: some of them could not be applied anyway).
    zzcrash_error_t get_row(const zzcrash_async_dwarf_cie_info* cie,
                            dwarf_cfa_row<machine_ptr, machine_ptr_s>* row) const;

    // The caller's registers from `thread_state` by the current rules (see
    // dwarf_cfa_row_apply); `section` (may be null) holds the expressions.
    zzcrash_error_t apply_state(zzcrash_async_memory_window* memory, const zzcrash_async_dwarf_cie_info* cie,
                                const zzcrash_async_thread_state* thread_state,
                                const zzcrash_async_byteorder* byteorder, const zzcrash_async_mobject* section,
                                zzcrash_async_thread_state* new_thread_state) const;

private:
    friend class dwarf_cfa_state_iterator<machine_ptr, machine_ptr_s>;
    static constexpr std::uint8_t no_entry = 0xff;

    struct rule_entry {
        machine_ptr value;
        std::uint32_t regnum;
        std::uint8_t rule;
        std::uint8_t next;  // the bucket's chain, or the free list's
    };
    struct level {
        dwarf_cfa_rule<machine_ptr, machine_ptr_s> cfa;
        std::uint8_t count;
        std::uint8_t buckets[bucket_count];
    };

    std::uint8_t* find(std::uint32_t regnum);
    void clear_level(std::uint8_t index);
    std::uint8_t free_count() const;
    bool copy_rules_from(const dwarf_cfa_state& source);

    level levels_[max_levels];
    std::uint8_t current_;
    std::uint8_t free_head_;
    rule_entry entries_[max_rules];
};

// The current level's rules, bucket by bucket and along each chain.
template <typename machine_ptr, typename machine_ptr_s>
class dwarf_cfa_state_iterator {
public:
    explicit dwarf_cfa_state_iterator(const dwarf_cfa_state<machine_ptr, machine_ptr_s>* state);
    bool next(std::uint32_t* regnum, zzcrash_dwarf_cfa_reg_rule_t* rule, machine_ptr* value);

private:
    const dwarf_cfa_state<machine_ptr, machine_ptr_s>* state_;
    std::uint8_t bucket_ = 0;
    std::uint8_t entry_;
};

extern template class dwarf_cfa_state<std::uint32_t, std::int32_t>;
extern template class dwarf_cfa_state<std::uint64_t, std::int64_t>;
extern template class dwarf_cfa_state_iterator<std::uint32_t, std::int32_t>;
extern template class dwarf_cfa_state_iterator<std::uint64_t, std::int64_t>;

}  // namespace zzcrash::ZZ::async
