#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_dwarf_registers.h"

namespace zzcrash::ZZ::async {

namespace {

constexpr std::uint64_t tabled = 64;
constexpr std::uint8_t none = 0xff;

struct Table {
    std::uint8_t x86_64[tabled];
    std::uint8_t x86[tabled];
};

void fill(std::uint8_t* indices, int cpuType) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_init(&state, cpuType);
    for (std::uint64_t number = 0; number < tabled; ++number) {
        std::uint32_t index = 0;
        const bool mapped = zzcrash_async_thread_state_register_for_dwarf_number(&state, number, &index);
        indices[number] = mapped ? static_cast<std::uint8_t>(index) : none;
    }
}

Table build() {
    Table table{};
    fill(table.x86_64, ZZCRASH_CPU_TYPE_X86_64);
    fill(table.x86, ZZCRASH_CPU_TYPE_X86);
    return table;
}

// Made before main, never at crash time.
const Table table = build();

}  // namespace

bool dwarf_register_index(const zzcrash_async_thread_state* state, std::uint64_t dwarfNumber, std::uint32_t* index) {
    if (dwarfNumber >= tabled) return zzcrash_async_thread_state_register_for_dwarf_number(state, dwarfNumber, index);
    const bool i386 = state->thread_state.flavor == ZZCRASH_X86_THREAD_STATE32;
    const std::uint8_t found = (i386 ? table.x86 : table.x86_64)[dwarfNumber];
    if (found == none) return false;
    *index = found;
    return true;
}

}  // namespace zzcrash::ZZ::async
