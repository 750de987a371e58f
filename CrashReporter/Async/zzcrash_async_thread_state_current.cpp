// Capturing the calling thread where there is no signal context: a small
// routine with a frame of its own stores the registers as they were on entry
// into a machine-context image on its stack and hands it on, so that the
// state describes the caller at the instruction after the call.
#include <sys/ucontext.h>

#include "CrashReporter/Async/zzcrash_async_thread_state.h"

// The routine below writes the image with these offsets.
static_assert(sizeof(mcontext_t) == 256);
static_assert(REG_R8 == 0 && REG_R15 == 7 && REG_RDI == 8 && REG_RSI == 9 && REG_RBP == 10 && REG_RBX == 11 &&
              REG_RDX == 12 && REG_RAX == 13 && REG_RCX == 14 && REG_RSP == 15 && REG_RIP == 16 && REG_EFL == 17 &&
              REG_CSGSFS == 18 && REG_ERR == 19);

extern "C" zzcrash_error_t zzcrash_async_thread_state_deliver_current(
    const mcontext_t* image, zzcrash_async_thread_state_current_callback callback, void* context) {
    zzcrash_async_thread_state state;
    zzcrash_async_thread_state_from_mcontext(&state, image);
    return callback(&state, context);
}

// rbp is the caller's, as the prologue saved it; rip the return address; rsp
// the caller's stack pointer after the return, above the saved rbp and the
// return address (the saved rbp's address + 16). A frameless caller's frame is
// found from that rsp, so it must not be the address of the saved rbp itself.
// The exception state, the floating-point pointer and the reserved words are
// zero.
asm(R"(
    .pushsection .text
    .globl zzcrash_async_thread_state_current
    .type zzcrash_async_thread_state_current, @function
zzcrash_async_thread_state_current:
    .cfi_startproc
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    subq $256, %rsp
    movq %r8, 0(%rsp)
    movq %r9, 8(%rsp)
    movq %r10, 16(%rsp)
    movq %r11, 24(%rsp)
    movq %r12, 32(%rsp)
    movq %r13, 40(%rsp)
    movq %r14, 48(%rsp)
    movq %r15, 56(%rsp)
    movq %rdi, 64(%rsp)
    movq %rsi, 72(%rsp)
    movq %rbx, 88(%rsp)
    movq %rdx, 96(%rsp)
    movq %rax, 104(%rsp)
    movq %rcx, 112(%rsp)
    movq 0(%rbp), %rax
    movq %rax, 80(%rsp)
    leaq 16(%rbp), %rax
    movq %rax, 120(%rsp)
    movq 8(%rbp), %rax
    movq %rax, 128(%rsp)
    pushfq
    popq %rax
    movq %rax, 136(%rsp)
    xorl %eax, %eax
    movw %fs, %ax
    shlq $16, %rax
    movw %gs, %ax
    shlq $16, %rax
    movw %cs, %ax
    movq %rax, 144(%rsp)
    xorl %eax, %eax
    movl $152, %ecx
1:
    movq %rax, (%rsp, %rcx)
    addl $8, %ecx
    cmpl $256, %ecx
    jne 1b
    movq %rsi, %rdx
    movq %rdi, %rsi
    movq %rsp, %rdi
    call zzcrash_async_thread_state_deliver_current@PLT
    leave
    .cfi_def_cfa %rsp, 8
    ret
    .cfi_endproc
    .size zzcrash_async_thread_state_current, .-zzcrash_async_thread_state_current
    .popsection
)");
