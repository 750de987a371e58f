#pragma once
#include <ucontext.h>

#include <cstdint>

#include "CrashReporter/Async/zzcrash_error.h"
#include "CrashReporter/Platform/zzcrash_thread_list.h"
#include "CrashReporter/Platform/zzcrash_thread_state.h"

// The register file of one thread in one architecture-neutral record: the
// crash-log writer records it and the unwinders read and rewrite it frame by
// frame. Each register has a valid bit, so an unwound frame says which
// registers it really knows. Two layouts: 32-bit x86 (i386) and x86-64. All
// operations are async-signal-safe.

inline constexpr int ZZCRASH_CPU_TYPE_X86 = 7;
inline constexpr int ZZCRASH_CPU_TYPE_X86_64 = 0x01000007;

// Register-set flavours, which also tell the layout: 1 is i386, any other x86-64.
// (The x86-64 flavours and register sets are the platform layer's.)
inline constexpr std::uint32_t ZZCRASH_X86_THREAD_STATE32 = 1;
inline constexpr std::uint32_t ZZCRASH_X86_EXCEPTION_STATE32 = 3;

struct zzcrash_x86_thread_state32 {
    std::uint32_t eax, ebx, ecx, edx, edi, esi, ebp, esp, ss, eflags, eip, cs, ds, es, fs, gs;
};
struct zzcrash_x86_exception_state32 {
    std::uint16_t trapno, cpu;
    std::uint32_t err, faultvaddr;
};

struct zzcrash_async_thread_state {
    int stack_growth;          // always 2: the stack grows downwards
    std::uint64_t gpr_width;   // bytes of a general register: 4 or 8
    std::uint64_t valid_mask;  // bit i: register index i holds a value
    struct {
        std::uint32_t flavor;
        std::uint32_t count;  // 32-bit words of the register set
        union {
            zzcrash_x86_thread_state32 ts32;
            zzcrash_x86_thread_state64 ts64;
        } uts;
    } thread_state;
    struct {
        std::uint32_t flavor;
        std::uint32_t count;
        union {
            zzcrash_x86_exception_state32 es32;
            zzcrash_x86_exception_state64 es64;
        } ues;
    } exception_state;
};

// Register indices: 0 is always the program counter, 1 the frame pointer, 2
// the stack pointer.
enum {
    ZZCRASH_REG_IP = 0,
    ZZCRASH_REG_FP = 1,
    ZZCRASH_REG_SP = 2,
};
enum {
    ZZCRASH_X86_64_RIP = 0,
    ZZCRASH_X86_64_RBP,
    ZZCRASH_X86_64_RSP,
    ZZCRASH_X86_64_RAX,
    ZZCRASH_X86_64_RBX,
    ZZCRASH_X86_64_RCX,
    ZZCRASH_X86_64_RDX,
    ZZCRASH_X86_64_RDI,
    ZZCRASH_X86_64_RSI,
    ZZCRASH_X86_64_R8,
    ZZCRASH_X86_64_R9,
    ZZCRASH_X86_64_R10,
    ZZCRASH_X86_64_R11,
    ZZCRASH_X86_64_R12,
    ZZCRASH_X86_64_R13,
    ZZCRASH_X86_64_R14,
    ZZCRASH_X86_64_R15,
    ZZCRASH_X86_64_RFLAGS,
    ZZCRASH_X86_64_CS,
    ZZCRASH_X86_64_FS,
    ZZCRASH_X86_64_GS,
    ZZCRASH_X86_64_REGISTER_COUNT,
};
// Note the order eax, edx, ecx, ebx.
enum {
    ZZCRASH_X86_EIP = 0,
    ZZCRASH_X86_EBP,
    ZZCRASH_X86_ESP,
    ZZCRASH_X86_EAX,
    ZZCRASH_X86_EDX,
    ZZCRASH_X86_ECX,
    ZZCRASH_X86_EBX,
    ZZCRASH_X86_ESI,
    ZZCRASH_X86_EDI,
    ZZCRASH_X86_EFLAGS,
    ZZCRASH_X86_TRAPNO,
    ZZCRASH_X86_CS,
    ZZCRASH_X86_DS,
    ZZCRASH_X86_ES,
    ZZCRASH_X86_FS,
    ZZCRASH_X86_GS,
    ZZCRASH_X86_REGISTER_COUNT,
};

// Zeroes the record and sets the layout of a CPU type (7 or 0x1000007, else
// error 4); no register is valid.
zzcrash_error_t zzcrash_async_thread_state_init(zzcrash_async_thread_state* state, int cpuType);
// The x86-64 registers of a signal's machine context, all valid, with the trap
// number, error code and fault address as the exception state.
void zzcrash_async_thread_state_from_mcontext(zzcrash_async_thread_state* state, const mcontext_t* context);
// The registers of another thread, which must be stopped (zzcrash_threads_stop)
// or waiting for the answer to its fault (zzcrash_fault_context.h, where it
// faulted); error 6 when it is neither.
zzcrash_error_t zzcrash_async_thread_state_from_thread(zzcrash_async_thread_state* state, zzcrash_thread_t thread);

using zzcrash_async_thread_state_current_callback = zzcrash_error_t (*)(zzcrash_async_thread_state* state,
                                                                        void* context);
// Captures the calling thread as it is at the call: the caller's registers,
// with the program counter at the return address and the stack pointer as it
// will be after the return. Calls `callback` with that state (valid only
// during the call) and answers what the callback answers.
extern "C" zzcrash_error_t zzcrash_async_thread_state_current(zzcrash_async_thread_state_current_callback callback,
                                                              void* context);

void zzcrash_async_thread_state_copy(zzcrash_async_thread_state* destination, const zzcrash_async_thread_state* source);
int zzcrash_async_thread_state_stack_growth(const zzcrash_async_thread_state* state);
std::uint64_t zzcrash_async_thread_state_register_width(const zzcrash_async_thread_state* state);
std::uint32_t zzcrash_async_thread_state_register_count(const zzcrash_async_thread_state* state);
const char* zzcrash_async_thread_state_register_name(const zzcrash_async_thread_state* state, std::uint32_t index);

// Indices must be below the register count; they come from the tables above.
bool zzcrash_async_thread_state_has_reg(const zzcrash_async_thread_state* state, std::uint32_t index);
// The stored value, valid or not; 32-bit registers widened.
std::uint64_t zzcrash_async_thread_state_get_reg(const zzcrash_async_thread_state* state, std::uint32_t index);
// Stores the value (cut to the register's width) and marks it valid; an
// index at or past the register count is refused (nothing changes).
void zzcrash_async_thread_state_set_reg(zzcrash_async_thread_state* state, std::uint32_t index, std::uint64_t value);
void zzcrash_async_thread_state_clear_reg(zzcrash_async_thread_state* state, std::uint32_t index);
void zzcrash_async_thread_state_clear_all(zzcrash_async_thread_state* state);
// Keeps only the registers a callee preserves (x86-64: rbx, rsp, rbp, r12-r15;
// i386: ebx, ebp, esi, edi, esp): what is still known in the caller's frame.
void zzcrash_async_thread_state_clear_caller_saved(zzcrash_async_thread_state* state);

// DWARF register numbers to indices and back; false when there is no mapping.
bool zzcrash_async_thread_state_register_for_dwarf_number(const zzcrash_async_thread_state* state,
                                                          std::uint64_t dwarfNumber, std::uint32_t* index);
bool zzcrash_async_thread_state_dwarf_number_for_register(const zzcrash_async_thread_state* state, std::uint32_t index,
                                                          std::uint64_t* dwarfNumber);
