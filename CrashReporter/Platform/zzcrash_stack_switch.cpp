#include "CrashReporter/Platform/zzcrash_stack_switch.h"

#include <signal.h>

#include <cstdint>

// rbp keeps the caller's stack pointer across the call; the unwind rules name
// it, so that a walk from inside `body` goes on into the caller's stack.
extern "C" void zzcrash_call_with_stack_top(void (*body)(void*), void* argument, void* top);
asm(R"(
    .pushsection .text
    .globl zzcrash_call_with_stack_top
    .hidden zzcrash_call_with_stack_top
    .type zzcrash_call_with_stack_top, @function
zzcrash_call_with_stack_top:
    .cfi_startproc
    pushq %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    movq %rsp, %rbp
    .cfi_def_cfa_register %rbp
    movq %rdx, %rsp
    movq %rdi, %rax
    movq %rsi, %rdi
    callq *%rax
    movq %rbp, %rsp
    popq %rbp
    .cfi_def_cfa %rsp, 8
    retq
    .cfi_endproc
    .size zzcrash_call_with_stack_top, .-zzcrash_call_with_stack_top
    .popsection
)");

void zzcrash_call_on_stack(void (*body)(void*), void* argument, void* stack, std::size_t size) {
    const auto top = (reinterpret_cast<std::uintptr_t>(stack) + size) & ~std::uintptr_t{15};
    zzcrash_call_with_stack_top(body, argument, reinterpret_cast<void*>(top));
}

std::size_t zzcrash_alternate_stack_room() {
    stack_t stack{};
    if (sigaltstack(nullptr, &stack) != 0 || (stack.ss_flags & SS_ONSTACK) == 0) return SIZE_MAX;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    const auto bottom = reinterpret_cast<std::uintptr_t>(stack.ss_sp);
    return here > bottom ? here - bottom : 0;
}
