#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_cfa_state.h"

namespace zzcrash::ZZ::async {

template <typename machine_ptr, typename machine_ptr_s>
dwarf_cfa_state<machine_ptr, machine_ptr_s>::dwarf_cfa_state() : current_(0), free_head_(0) {
    for (std::uint8_t i = 0; i < max_levels; ++i) clear_level(i);
    for (std::uint8_t i = 0; i < max_rules; ++i)
        entries_[i] = {0, 0, 0, static_cast<std::uint8_t>(i + 1 < max_rules ? i + 1 : no_entry)};
}

template <typename machine_ptr, typename machine_ptr_s>
void dwarf_cfa_state<machine_ptr, machine_ptr_s>::clear_level(std::uint8_t index) {
    levels_[index].cfa = {};
    levels_[index].count = 0;
    for (std::uint8_t& bucket : levels_[index].buckets) bucket = no_entry;
}

// The link that leads to the register's entry in the current level (the
// bucket's head or the previous entry's next), or null when it has none.
template <typename machine_ptr, typename machine_ptr_s>
std::uint8_t* dwarf_cfa_state<machine_ptr, machine_ptr_s>::find(std::uint32_t regnum) {
    std::uint8_t* link = &levels_[current_].buckets[regnum % bucket_count];
    while (*link != no_entry && entries_[*link].regnum != regnum) link = &entries_[*link].next;
    return *link == no_entry ? nullptr : link;
}

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state<machine_ptr, machine_ptr_s>::set_register(std::uint32_t regnum, zzcrash_dwarf_cfa_reg_rule_t rule,
                                                               machine_ptr value) {
    if (std::uint8_t* link = find(regnum)) {
        entries_[*link].rule = rule;
        entries_[*link].value = value;
        return true;
    }
    if (free_head_ == no_entry) return false;
    const std::uint8_t index = free_head_;
    free_head_ = entries_[index].next;
    entries_[index] = {value, regnum, rule, levels_[current_].buckets[regnum % bucket_count]};
    levels_[current_].buckets[regnum % bucket_count] = index;
    ++levels_[current_].count;
    return true;
}

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state<machine_ptr, machine_ptr_s>::get_register_rule(std::uint32_t regnum,
                                                                    zzcrash_dwarf_cfa_reg_rule_t* rule,
                                                                    machine_ptr* value) const {
    for (std::uint8_t index = levels_[current_].buckets[regnum % bucket_count]; index != no_entry;
         index = entries_[index].next) {
        if (entries_[index].regnum != regnum) continue;
        *rule = static_cast<zzcrash_dwarf_cfa_reg_rule_t>(entries_[index].rule);
        *value = entries_[index].value;
        return true;
    }
    return false;
}

template <typename machine_ptr, typename machine_ptr_s>
void dwarf_cfa_state<machine_ptr, machine_ptr_s>::remove_register(std::uint32_t regnum) {
    std::uint8_t* link = find(regnum);
    if (!link) return;
    const std::uint8_t index = *link;
    *link = entries_[index].next;
    entries_[index].next = free_head_;
    free_head_ = index;
    --levels_[current_].count;
}

template <typename machine_ptr, typename machine_ptr_s>
std::uint8_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::get_register_count() const {
    return levels_[current_].count;
}

template <typename machine_ptr, typename machine_ptr_s>
void dwarf_cfa_state<machine_ptr, machine_ptr_s>::set_cfa_register(std::uint32_t regnum, machine_ptr offset) {
    levels_[current_].cfa = {DWARF_CFA_RULE_TYPE_REGISTER, regnum, offset};
}

template <typename machine_ptr, typename machine_ptr_s>
void dwarf_cfa_state<machine_ptr, machine_ptr_s>::set_cfa_register_signed(std::uint32_t regnum, machine_ptr_s offset) {
    levels_[current_].cfa = {DWARF_CFA_RULE_TYPE_REGISTER_SIGNED, regnum, static_cast<machine_ptr>(offset)};
}

template <typename machine_ptr, typename machine_ptr_s>
void dwarf_cfa_state<machine_ptr, machine_ptr_s>::set_cfa_expression(machine_ptr address, std::size_t length) {
    levels_[current_].cfa = {DWARF_CFA_RULE_TYPE_EXPRESSION, address, static_cast<machine_ptr>(length)};
}

template <typename machine_ptr, typename machine_ptr_s>
dwarf_cfa_rule<machine_ptr, machine_ptr_s> dwarf_cfa_state<machine_ptr, machine_ptr_s>::get_cfa_rule() const {
    return levels_[current_].cfa;
}

// Copies every rule of `source`'s current level into this state's current
// level; false when the pool runs out.
template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state<machine_ptr, machine_ptr_s>::copy_rules_from(const dwarf_cfa_state& source) {
    dwarf_cfa_state_iterator<machine_ptr, machine_ptr_s> rules(&source);
    std::uint32_t regnum = 0;
    zzcrash_dwarf_cfa_reg_rule_t rule{};
    machine_ptr value = 0;
    while (rules.next(&regnum, &rule, &value)) {
        if (!set_register(regnum, rule, value)) return false;
    }
    return true;
}

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state<machine_ptr, machine_ptr_s>::push_state() {
    if (current_ + 1 >= max_levels || free_count() < levels_[current_].count) return false;
    const std::uint8_t from = current_;
    ++current_;
    clear_level(current_);
    levels_[current_].cfa = levels_[from].cfa;
    for (std::uint8_t bucket = 0; bucket < bucket_count; ++bucket) {
        for (std::uint8_t index = levels_[from].buckets[bucket]; index != no_entry; index = entries_[index].next)
            set_register(entries_[index].regnum, static_cast<zzcrash_dwarf_cfa_reg_rule_t>(entries_[index].rule),
                         entries_[index].value);
    }
    return true;
}

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state<machine_ptr, machine_ptr_s>::pop_state() {
    if (current_ == 0) return false;
    for (std::uint8_t& bucket : levels_[current_].buckets) {
        while (bucket != no_entry) {
            const std::uint8_t index = bucket;
            bucket = entries_[index].next;
            entries_[index].next = free_head_;
            free_head_ = index;
        }
    }
    clear_level(current_);
    --current_;
    return true;
}

template <typename machine_ptr, typename machine_ptr_s>
std::uint8_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::free_count() const {
    std::uint8_t count = 0;
    for (std::uint8_t index = free_head_; index != no_entry; index = entries_[index].next) ++count;
    return count;
}

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::get_row(
    const zzcrash_async_dwarf_cie_info* cie, dwarf_cfa_row<machine_ptr, machine_ptr_s>* row) const {
    using row_type = dwarf_cfa_row<machine_ptr, machine_ptr_s>;
    if (get_register_count() > row_type::max_rules) return ZZCRASH_EINVAL;
    row->cfa = get_cfa_rule();
    row->count = 0;
    row->return_address_register = cie->return_address_register;
    row->signal_frame = cie->eh_augmentation.signal_frame;
    dwarf_cfa_state_iterator<machine_ptr, machine_ptr_s> rules(this);
    typename row_type::register_rule* rule = row->rules;
    while (rules.next(&rule->regnum, &rule->rule, &rule->value)) ++rule;
    row->count = static_cast<std::uint8_t>(rule - row->rules);
    return ZZCRASH_ESUCCESS;
}

template <typename machine_ptr, typename machine_ptr_s>
zzcrash_error_t dwarf_cfa_state<machine_ptr, machine_ptr_s>::apply_state(
    zzcrash_async_memory_window* memory, const zzcrash_async_dwarf_cie_info* cie,
    const zzcrash_async_thread_state* thread_state, const zzcrash_async_byteorder* byteorder,
    const zzcrash_async_mobject* section, zzcrash_async_thread_state* new_thread_state) const {
    dwarf_cfa_row<machine_ptr, machine_ptr_s> row;
    const zzcrash_error_t error = get_row(cie, &row);
    if (error != ZZCRASH_ESUCCESS) return error;
    return dwarf_cfa_row_apply(&row, memory, thread_state, byteorder, section, new_thread_state);
}

template <typename machine_ptr, typename machine_ptr_s>
dwarf_cfa_state_iterator<machine_ptr, machine_ptr_s>::dwarf_cfa_state_iterator(
    const dwarf_cfa_state<machine_ptr, machine_ptr_s>* state)
    : state_(state), entry_(state->levels_[state->current_].buckets[0]) {}

template <typename machine_ptr, typename machine_ptr_s>
bool dwarf_cfa_state_iterator<machine_ptr, machine_ptr_s>::next(std::uint32_t* regnum,
                                                                zzcrash_dwarf_cfa_reg_rule_t* rule,
                                                                machine_ptr* value) {
    using state_type = dwarf_cfa_state<machine_ptr, machine_ptr_s>;
    const auto& level = state_->levels_[state_->current_];
    while (entry_ == state_type::no_entry) {
        if (++bucket_ >= state_type::bucket_count) return false;
        entry_ = level.buckets[bucket_];
    }
    const auto& entry = state_->entries_[entry_];
    *regnum = entry.regnum;
    *rule = static_cast<zzcrash_dwarf_cfa_reg_rule_t>(entry.rule);
    *value = entry.value;
    entry_ = entry.next;
    return true;
}

template class dwarf_cfa_state<std::uint32_t, std::int32_t>;
template class dwarf_cfa_state<std::uint64_t, std::int64_t>;
template class dwarf_cfa_state_iterator<std::uint32_t, std::int32_t>;
template class dwarf_cfa_state_iterator<std::uint64_t, std::int64_t>;

}  // namespace zzcrash::ZZ::async
