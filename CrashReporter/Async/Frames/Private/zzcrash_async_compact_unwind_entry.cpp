#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_entry.h"

#include "CrashReporter/Async/Frames/Private/zzcrash_async_compact_unwind_reader.h"
#include "CrashReporter/Async/Private/zzcrash_async_try.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

using Entry = zzcrash_async_compact_unwind_entry;

std::uint32_t bits(std::uint32_t value, unsigned low, unsigned count) { return (value >> low) & ((1u << count) - 1); }

// What the register numbers 1-6 of an x86 encoding stand for.
const std::uint32_t x86_64Registers[6] = {ZZCRASH_X86_64_RBX, ZZCRASH_X86_64_R12, ZZCRASH_X86_64_R13,
                                          ZZCRASH_X86_64_R14, ZZCRASH_X86_64_R15, ZZCRASH_X86_64_RBP};
const std::uint32_t x86Registers[6] = {ZZCRASH_X86_EBX, ZZCRASH_X86_ECX, ZZCRASH_X86_EDX,
                                       ZZCRASH_X86_EDI, ZZCRASH_X86_ESI, ZZCRASH_X86_EBP};

// Mode 1: up to five 3-bit slots from the lowest, until the remaining bits
// are 0; a slot of 0 is empty but keeps its place on the stack.
zzcrash_error_t decodeFrameSlots(Entry* entry, std::uint32_t encoding, const std::uint32_t* names) {
    std::uint32_t slots = bits(encoding, 0, 15);
    for (std::uint32_t i = 0; i < 5 && slots != 0; ++i, slots >>= 3) {
        const std::uint32_t slot = slots & 7;
        if (slot == 7) return ZZCRASH_EINVAL;
        entry->saved_registers[i] = slot == 0 ? ZZCRASH_ASYNC_CUNWIND_NO_REGISTER : names[slot - 1];
        entry->saved_register_count = i + 1;
    }
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t decodeFramelessRegisters(Entry* entry, std::uint32_t encoding, const std::uint32_t* names) {
    const std::uint32_t count = bits(encoding, 10, 3);
    std::uint32_t numbers[6] = {};
    ZZCRASH_TRY(zzcrash_async_compact_unwind_decode_register_permutation(bits(encoding, 0, 10), count, numbers));
    for (std::uint32_t i = 0; i < count; ++i) entry->saved_registers[i] = names[numbers[i] - 1];
    entry->saved_register_count = count;
    return ZZCRASH_ESUCCESS;
}

// i386 and x86-64 differ only in the word size and the register names.
zzcrash_error_t decodeX86(Entry* entry, std::uint32_t encoding, std::int64_t word, const std::uint32_t* names) {
    switch (bits(encoding, 24, 4)) {
    case 0: entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_NONE; return ZZCRASH_ESUCCESS;
    case 1:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR;
        entry->offset = -word * bits(encoding, 16, 8);
        return decodeFrameSlots(entry, encoding, names);
    case 2:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD;
        entry->offset = word * bits(encoding, 16, 8);
        return decodeFramelessRegisters(entry, encoding, names);
    case 3:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT;
        entry->offset = bits(encoding, 16, 8);
        entry->stack_adjust = static_cast<std::uint32_t>(word) * bits(encoding, 13, 3);
        return decodeFramelessRegisters(entry, encoding, names);
    case 4:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_DWARF;
        entry->offset = bits(encoding, 0, 24);
        return ZZCRASH_ESUCCESS;
    default: return ZZCRASH_ENOTSUP;
    }
}

// ARM64 saves registers in pairs, x27/x28 first; they are numbered here 31
// down to 22, and the link register of a frameless function is 32.
void decodeArm64Pairs(Entry* entry, std::uint32_t encoding) {
    std::uint32_t first = 31;
    for (std::uint32_t flag = 0x10; flag != 0; flag >>= 1, first -= 2) {
        if (!(encoding & flag)) continue;
        entry->saved_registers[entry->saved_register_count++] = first;
        entry->saved_registers[entry->saved_register_count++] = first - 1;
    }
}

zzcrash_error_t decodeArm64(Entry* entry, std::uint32_t encoding) {
    switch (bits(encoding, 24, 4)) {
    case 0: entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_NONE; return ZZCRASH_ESUCCESS;
    case 2:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD;
        entry->offset = 16 * bits(encoding, 12, 12);
        entry->return_address_register = 32;
        decodeArm64Pairs(entry, encoding);
        return ZZCRASH_ESUCCESS;
    case 3:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_DWARF;
        entry->offset = bits(encoding, 0, 24);
        return ZZCRASH_ESUCCESS;
    case 4:
        entry->type = ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR;
        decodeArm64Pairs(entry, encoding);
        entry->offset = -8 * static_cast<std::int64_t>(entry->saved_register_count);
        return ZZCRASH_ESUCCESS;
    default: return ZZCRASH_ENOTSUP;
    }
}

int cpuTypeOf(const zzcrash_async_thread_state* state) {
    return zzcrash_async_thread_state_register_width(state) == 4 ? ZZCRASH_CPU_TYPE_X86 : ZZCRASH_CPU_TYPE_X86_64;
}

zzcrash_error_t readWord(zzcrash_async_memory_window* memory, std::uint64_t address, std::uint64_t width,
                         std::uint64_t* value) {
    return zzcrash_async_memory_window_read(memory, &zzcrash_async_byteorder_direct, address, 0, width, value);
}

// Frameless: the stack pointer goes up by the stack size; the return address
// is its top word (or in a register) and the saved registers lie below it.
zzcrash_error_t applyFrameless(zzcrash_async_memory_window* memory, std::uint64_t function,
                               const zzcrash_async_thread_state* current, const Entry* entry,
                               zzcrash_async_thread_state* next, std::uint64_t* savedAt) {
    const std::uint64_t width = zzcrash_async_thread_state_register_width(current);
    if (!zzcrash_async_thread_state_has_reg(current, ZZCRASH_REG_SP)) return ZZCRASH_ENOTFOUND;
    std::uint64_t stackSize = static_cast<std::uint64_t>(entry->offset);
    if (entry->type == ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT) {
        ZZCRASH_TRY(readWord(memory, function + stackSize, 4, &stackSize));
        stackSize += entry->stack_adjust;
    }
    const std::uint64_t sp = zzcrash_async_thread_state_get_reg(current, ZZCRASH_REG_SP) + stackSize;
    std::uint64_t pc = 0;
    std::uint64_t saved = sp - entry->saved_register_count * width;
    if (entry->return_address_register == ZZCRASH_ASYNC_CUNWIND_NO_REGISTER) {
        ZZCRASH_TRY(readWord(memory, sp - width, width, &pc));
        saved -= width;
    } else {
        if (!zzcrash_async_thread_state_has_reg(current, entry->return_address_register)) return ZZCRASH_ENOTFOUND;
        pc = zzcrash_async_thread_state_get_reg(current, entry->return_address_register);
    }
    zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_SP, sp);
    zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_IP, pc);
    *savedAt = saved;
    return ZZCRASH_ESUCCESS;
}

// Frame pointer: the caller's frame pointer and the return address sit at
// the frame pointer, the caller's stack starts above them.
zzcrash_error_t applyFrame(zzcrash_async_memory_window* memory, const zzcrash_async_thread_state* current,
                           const Entry* entry, zzcrash_async_thread_state* next, std::uint64_t* savedAt) {
    const std::uint64_t width = zzcrash_async_thread_state_register_width(current);
    if (!zzcrash_async_thread_state_has_reg(current, ZZCRASH_REG_FP)) return ZZCRASH_ENOTFOUND;
    const std::uint64_t fp = zzcrash_async_thread_state_get_reg(current, ZZCRASH_REG_FP);
    std::uint64_t top = 0;
    if (__builtin_add_overflow(fp, 2 * width, &top)) return ZZCRASH_EINVAL;
    std::uint64_t callerFp = 0;
    std::uint64_t pc = 0;
    ZZCRASH_TRY(readWord(memory, fp, width, &callerFp));
    ZZCRASH_TRY(readWord(memory, fp + width, width, &pc));
    zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_FP, callerFp);
    zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_IP, pc);
    zzcrash_async_thread_state_set_reg(next, ZZCRASH_REG_SP, top);
    *savedAt = fp + static_cast<std::uint64_t>(entry->offset);
    return ZZCRASH_ESUCCESS;
}

}  // namespace

zzcrash_error_t zzcrash_async_compact_unwind_entry_init(Entry* entry, int cputype, std::uint32_t encoding) {
    zzcrash_async_memset(entry, 0, sizeof *entry);
    entry->cputype = cputype;
    entry->return_address_register = ZZCRASH_ASYNC_CUNWIND_NO_REGISTER;
    switch (cputype) {
    case ZZCRASH_CPU_TYPE_X86_64: return decodeX86(entry, encoding, 8, x86_64Registers);
    case ZZCRASH_CPU_TYPE_X86: return decodeX86(entry, encoding, 4, x86Registers);
    case ZZCRASH_CPU_TYPE_ARM64: return decodeArm64(entry, encoding);
    default: return ZZCRASH_ENOTSUP;
    }
}

zzcrash_async_compact_entry_type zzcrash_async_compact_unwind_entry_type(const Entry* entry) { return entry->type; }

std::int64_t zzcrash_async_compact_unwind_entry_offset(const Entry* entry) { return entry->offset; }

std::uint32_t zzcrash_async_compact_unwind_entry_stack_adjust(const Entry* entry) { return entry->stack_adjust; }

std::uint32_t zzcrash_async_compact_unwind_entry_return_address_register(const Entry* entry) {
    return entry->return_address_register;
}

std::uint32_t zzcrash_async_compact_unwind_entry_saved_register_count(const Entry* entry) {
    return entry->saved_register_count;
}

void zzcrash_async_compact_unwind_entry_saved_registers(const Entry* entry,
                                                        std::uint32_t registers[ZZCRASH_ASYNC_CUNWIND_MAX_REGISTERS]) {
    zzcrash_async_memcpy(registers, entry->saved_registers, sizeof entry->saved_registers);
}

void zzcrash_async_compact_unwind_entry_free(Entry*) {}

zzcrash_error_t zzcrash_async_compact_unwind_entry_apply(zzcrash_async_memory_window* memory,
                                                         std::uint64_t function_address,
                                                         const zzcrash_async_thread_state* current, const Entry* entry,
                                                         zzcrash_async_thread_state* next) {
    // An entry names registers by its own CPU's numbers (ARM64's run to 32):
    // in another CPU's state they would be other registers, or none at all.
    if (entry->cputype != cpuTypeOf(current)) return ZZCRASH_ENOTSUP;
    *next = *current;
    zzcrash_async_thread_state_clear_caller_saved(next);
    std::uint64_t savedAt = 0;
    switch (entry->type) {
    case ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_IMMD:
    case ZZCRASH_ASYNC_CUNWIND_TYPE_FRAMELESS_INDIRECT:
        ZZCRASH_TRY(applyFrameless(memory, function_address, current, entry, next, &savedAt));
        break;
    case ZZCRASH_ASYNC_CUNWIND_TYPE_FRAME_PTR: ZZCRASH_TRY(applyFrame(memory, current, entry, next, &savedAt)); break;
    default: return ZZCRASH_ENOTSUP;
    }
    const std::uint64_t width = zzcrash_async_thread_state_register_width(current);
    for (std::uint32_t i = 0; i < entry->saved_register_count; ++i) {
        if (entry->saved_registers[i] == ZZCRASH_ASYNC_CUNWIND_NO_REGISTER) continue;
        std::uint64_t value = 0;
        ZZCRASH_TRY(readWord(memory, savedAt + i * width, width, &value));
        zzcrash_async_thread_state_set_reg(next, entry->saved_registers[i], value);
    }
    return ZZCRASH_ESUCCESS;
}

namespace {

// The radices of the numbering: the first register has 6 choices, the next
// 5, and so on; with 5 or 6 registers the sixth has one choice left.
const std::uint32_t radices[7][5] = {
    {0, 0, 0, 0, 0},   {1, 0, 0, 0, 0},    {5, 1, 0, 0, 0},    {20, 4, 1, 0, 0},
    {60, 12, 3, 1, 0}, {120, 24, 6, 2, 1}, {120, 24, 6, 2, 1},
};

}  // namespace

std::uint32_t zzcrash_async_compact_unwind_encode_register_permutation(const std::uint32_t* registers,
                                                                       std::uint32_t count) {
    if (count == 0 || count > 6) return 0;
    std::uint32_t permutation = 0;
    for (std::uint32_t i = 0; i < count && i < 5; ++i) {
        std::uint32_t renumbered = registers[i] - 1;
        for (std::uint32_t j = 0; j < i; ++j) {
            if (registers[j] < registers[i]) --renumbered;
        }
        permutation += radices[count][i] * renumbered;
    }
    return permutation;
}

zzcrash_error_t zzcrash_async_compact_unwind_decode_register_permutation(std::uint32_t permutation, std::uint32_t count,
                                                                         std::uint32_t* registers) {
    if (count > 6) return ZZCRASH_EINVAL;
    bool used[7] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t radix = i < 5 ? radices[count][i] : 0;
        std::uint32_t choice = radix ? permutation / radix : 0;
        if (radix) permutation %= radix;
        std::uint32_t number = 1;
        for (;; ++number) {
            if (number > 6) return ZZCRASH_EINVAL;
            if (used[number]) continue;
            if (choice == 0) break;
            --choice;
        }
        used[number] = true;
        registers[i] = number;
    }
    return ZZCRASH_ESUCCESS;
}
